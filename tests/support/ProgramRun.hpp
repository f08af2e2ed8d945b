#pragma once
// Running a program to its end from a test, as a launch from the desktop or a hook of the agent
// runs it: this process's environment with some variables changed, standard input from a file.
// Free of any test framework.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ProgramLaunch.hpp"

namespace quorvel::testing {

/// Runs `program` with `arguments` and this process's environment changed by `changes` (as
/// `ChildEnvironment` takes them), standard input read from the file `input` when one is named,
/// and waits for it. Its exit status; -1 when it couldn't be started or a signal ended it.
/// Standard output and error are this process's.
inline int runToEnd(const std::string& program, const std::vector<std::string>& arguments,
                    const std::map<std::string, std::optional<std::string>>& changes, const std::string& input = {}) {
    ProgramLaunch launch(program);
    launch.arguments(arguments).environment(changes);
    if (!input.empty()) launch.inputFromFile(input);
    const ProgramEnd end = launch.run();
    return end.started && end.exitedNormally ? end.exitStatus : -1;
}

}  // namespace quorvel::testing
