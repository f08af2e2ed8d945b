#pragma once
// The built helper run for one hook event as the agent runs it, in a session whose home and
// runtime folder are a test's: the payload on standard input, and an environment in which the
// copies of the app it starts are the test's too. Free of any test framework.
#include <atomic>
#include <map>
#include <optional>
#include <string>

#include "platform/files/Files.hpp"
#include "tests/support/HomeEnvironment.hpp"
#include "tests/support/ProgramRun.hpp"

namespace quorvel::testing {

/// The environment the agent's hooks give the helper, and the helper the copies it starts: `app`
/// is the program it starts as the app, and every log line of the helper and of those copies
/// goes to the file `log`, none to standard error.
inline std::map<std::string, std::optional<std::string>> hookEnvironment(const std::string& home,
                                                                         const std::string& runtime,
                                                                         const std::string& app,
                                                                         const std::string& log) {
    auto environment = homeEnvironment(home, runtime);
    environment["QUORVEL_APP_EXECUTABLE"] = app;
    environment["QUORVEL_LOG_STDERR"] = "0";
    environment["QUORVEL_LOG_FILE"] = log;
    return environment;
}

/// Runs `helper` once with `payload` on its standard input, in this process's environment
/// changed by `environment`, and waits for it: its exit status, -1 when it couldn't be started
/// or didn't end by itself. The payload is handed over as a file in `folder`, numbered so that
/// runs from several threads at once never share one. Safe to call from any thread.
inline int runHelperForEvent(const std::string& helper, const std::string& payload, const std::string& folder,
                             const std::map<std::string, std::optional<std::string>>& environment) {
    static std::atomic<int> counter = 0;
    const std::string input = folder + "/payload-" + std::to_string(++counter) + ".json";
    if (!files::writeFileAtomically(input, payload)) return -1;
    return runToEnd(helper, {}, environment, input);
}

}  // namespace quorvel::testing
