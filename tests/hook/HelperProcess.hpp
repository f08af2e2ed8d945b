#pragma once
// Runs the built quorvel-hook as the agent would: a payload on standard input, a chosen
// environment, and its output and exit status recorded.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/hook/TempFolder.hpp"

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
    TempFolder scratch;
    const std::string outputPath = scratch / "output";
    int inputPipe[2];
    if (::pipe2(inputPipe, O_CLOEXEC) != 0) return {};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inputPipe[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);

    const std::string program = helperExecutable();
    std::vector<std::string> argumentStrings{program};
    argumentStrings.insert(argumentStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : argumentStrings) argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environmentStrings;
    for (const auto& [name, value] : environment) environmentStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& entry : environmentStrings) envp.push_back(entry.data());
    envp.push_back(nullptr);

    auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(inputPipe[0]);
    if (spawned != 0) {
        ::close(inputPipe[1]);
        return {};
    }

    std::thread writer;
    if (writeInput) {
        writer = std::thread([fd = inputPipe[1], writeInput] {
            writeInput(fd);
            ::close(fd);
        });
    }
    if (whileRunning) whileRunning(pid);
    int status = 0;
    ::waitpid(pid, &status, 0);
    HelperRun run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (writer.joinable()) {
        writer.join();
    } else {
        ::close(inputPipe[1]);
    }
    run.exitedNormally = WIFEXITED(status);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.output = TempFolder::read(outputPath);
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
