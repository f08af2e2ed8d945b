#pragma once
// Running a program to its end from a test, as a launch from the desktop or a hook of the agent
// runs it: this process's environment with some variables changed, standard input from a file.
// Free of any test framework.
#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/ChildEnvironment.hpp"

namespace quorvel::testing {

/// Runs `program` with `arguments` and this process's environment changed by `changes` (as
/// `ChildEnvironment` takes them), standard input read from the file `input` when one is named,
/// and waits for it. Its exit status; -1 when it couldn't be started or a signal ended it.
/// Standard output and error are this process's.
inline int runToEnd(const std::string& program, const std::vector<std::string>& arguments,
                    const std::map<std::string, std::optional<std::string>>& changes, const std::string& input = {}) {
    ChildEnvironment environment(changes);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!input.empty()) posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environment.envp());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace quorvel::testing
