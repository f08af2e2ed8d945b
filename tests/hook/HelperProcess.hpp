#pragma once
// Runs the built quorvel-hook as the agent would: a payload on standard input, a chosen
// environment, and its output and exit status recorded.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/hook/TempFolder.hpp"
#include "tests/support/ProgramLaunch.hpp"

namespace quorvel::testing {

struct HelperRun {
    bool exitedNormally = false;
    int exitStatus = -1;
    std::string output;  ///< standard output and standard error together
    double seconds = 0;
};

inline std::string helperExecutable() { return QUORVEL_BINARY_DIR "/bin/quorvel-hook"; }

/// Writes the helper's standard input to the pipe's write end (`fd`), on a thread of its own;
/// the end of input comes when the writer closes it.
using InputWriter = std::function<void(int fd)>;

/// `writeInput` absent keeps standard input open (and silent) until the helper ends.
/// `whileRunning` is given the helper's process id once it has started (to signal it, say).
inline HelperRun runHelperFedBy(const std::vector<std::string>& arguments,
                                const std::map<std::string, std::string>& environment, const InputWriter& writeInput,
                                const std::function<void(pid_t)>& whileRunning = nullptr) {
    ::signal(SIGPIPE, SIG_IGN);
    RunningProgram helper =
        ProgramLaunch(helperExecutable()).arguments(arguments).onlyEnvironment(environment).inputFromPipe().captureOutput().start();
    if (!helper.started()) return {};
    std::thread writer;
    if (writeInput) {
        writer = std::thread([fd = helper.takeInput(), writeInput] {
            writeInput(fd);
            ::close(fd);
        });
    }
    if (whileRunning) whileRunning(helper.pid());
    const ProgramEnd end = *helper.waitForEnd();
    if (writer.joinable()) writer.join();
    HelperRun run;
    run.seconds = end.seconds;
    run.exitedNormally = end.exitedNormally;
    run.exitStatus = end.exitStatus;
    run.output = end.output;
    return run;
}

/// What every run of the helper does for the agent: it ends by itself, with status 0, having
/// printed nothing.
inline void expectQuietRun(const HelperRun& run) {
    EXPECT_TRUE(run.exitedNormally);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, "");
}

/// `input` absent keeps standard input open (and silent) until the helper ends.
inline HelperRun runHelper(const std::vector<std::string>& arguments, const std::map<std::string, std::string>& environment,
                           const std::optional<std::string>& input,
                           const std::function<void(pid_t)>& whileRunning = nullptr) {
    InputWriter writeInput;
    if (input) {
        writeInput = [text = *input](int fd) {
            std::string_view remaining = text;
            while (!remaining.empty()) {
                ssize_t count = ::write(fd, remaining.data(), remaining.size());
                if (count <= 0) break;
                remaining.remove_prefix(static_cast<std::size_t>(count));
            }
        };
    }
    return runHelperFedBy(arguments, environment, writeInput, whileRunning);
}

}  // namespace quorvel::testing
