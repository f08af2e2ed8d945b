#pragma once
// Every program a test or a benchmark starts is started here: its arguments, where its
// standard input comes from (a file, a pipe of the caller's, nothing), where its output goes
// (the caller's, a file, captured, a pipe, nowhere), its folder, its environment (this
// process's with variables added or removed, or one of the caller's alone) and, for a run to
// its end, a deadline. `start` hands back the running program (to feed, pause, signal or end);
// `run` waits for its end. Free of any test framework, so the benchmarks use it too.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/ChildEnvironment.hpp"

namespace quorvel::testing {

/// How a program ended. `started` false: it never ran, and the rest says nothing.
struct ProgramEnd {
    bool started = false;
    bool exitedNormally = false;
    int exitStatus = -1;  ///< -1 when a signal ended it, or the deadline came first
    bool timedOut = false;  ///< the deadline came first, and the program was killed
    std::string output;  ///< what `captureOutput` kept: standard output and error together
    double seconds = 0;  ///< from start to end, wall clock

    bool succeeded() const { return started && exitedNormally && exitStatus == 0; }
};

/// A started program. Ends it with SIGKILL (and reaps it) if it still runs when this goes;
/// a caller that wants a gentler end calls `terminate` first. Not thread-safe: one owner.
class RunningProgram {
public:
    RunningProgram() = default;
    RunningProgram(RunningProgram&& other) noexcept { *this = std::move(other); }
    RunningProgram& operator=(RunningProgram&& other) noexcept {
        if (this != &other) {
            kill();
            closeInput();
            closeOutput();
            pid_ = std::exchange(other.pid_, -1);
            input_ = std::exchange(other.input_, -1);
            output_ = std::exchange(other.output_, -1);
            capture_ = std::exchange(other.capture_, {});
            started_ = other.started_;
        }
        return *this;
    }
    ~RunningProgram() {
        kill();
        closeInput();
        closeOutput();
        if (!capture_.empty()) ::unlink(capture_.c_str());
    }

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    /// The write end of the program's standard input (with `inputFromPipe`), -1 otherwise or
    /// once closed; the program sees the end of its input when it is closed.
    int input() const { return input_; }
    void closeInput() {
        if (input_ >= 0) ::close(input_);
        input_ = -1;
    }
    /// Hands the write end over to the caller, who then closes it (through a FILE, say).
    int takeInput() { return std::exchange(input_, -1); }
    /// The read end of the program's standard output (with `outputToPipe`), -1 otherwise.
    int output() const { return output_; }
    int takeOutput() { return std::exchange(output_, -1); }
    void closeOutput() {
        if (output_ >= 0) ::close(output_);
        output_ = -1;
    }

    bool signal(int number) const { return pid_ > 0 && ::kill(pid_, number) == 0; }

    /// Stalls the program: true once every thread of it has stopped. The stop signal alone
    /// only asks; a thread already awake could still act before it lands.
    bool pause() {
        if (pid_ <= 0 || ::kill(pid_, SIGSTOP) != 0) return false;
        int status = 0;
        pid_t reported = -1;
        do {
            reported = ::waitpid(pid_, &status, WUNTRACED);
        } while (reported == -1 && errno == EINTR);
        if (reported == pid_ && !WIFSTOPPED(status)) {
            end_ = endFrom(status);
            pid_ = -1;  // It ended instead, and is reaped.
        }
        return reported != -1 && pid_ > 0 && WIFSTOPPED(status);
    }
    bool resume() const { return signal(SIGCONT); }

    /// Whether it still runs (a paused program does).
    bool running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

    /// Waits for its end, at most `timeout` when one is given: absent when it still runs then.
    std::optional<ProgramEnd> waitForEnd(std::optional<std::chrono::milliseconds> timeout = std::nullopt) {
        if (pid_ <= 0) return finished();
        if (!timeout) {
            int status = 0;
            while (::waitpid(pid_, &status, 0) == -1 && errno == EINTR) {
            }
            end_ = endFrom(status);
            pid_ = -1;
            return finished();
        }
        const auto deadline = std::chrono::steady_clock::now() + *timeout;
        for (;;) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                end_ = endFrom(status);
                pid_ = -1;
                return finished();
            }
            if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    /// Ends it with SIGTERM and waits for it.
    ProgramEnd terminate() {
        signal(SIGTERM);
        return *waitForEnd();
    }

    /// Ends it with SIGKILL and waits for it.
    ProgramEnd kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGCONT);  // a paused program is ended as well
            ::kill(pid_, SIGKILL);
        }
        return *waitForEnd();
    }

private:
    friend class ProgramLaunch;

    ProgramEnd endFrom(int status) const {
        ProgramEnd end;
        end.started = true;
        end.exitedNormally = WIFEXITED(status);
        end.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        end.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - startedAt_).count();
        return end;
    }

    ProgramEnd finished() {
        ProgramEnd end = end_;
        end.started = started_;
        if (!capture_.empty()) {
            std::ifstream in(capture_, std::ios::binary);
            end.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return end;
    }

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string capture_;
    bool started_ = false;
    ProgramEnd end_;
    std::chrono::steady_clock::time_point startedAt_ = std::chrono::steady_clock::now();
};

class ProgramLaunch {
public:
    /// `program` is a path, or a name looked up on PATH with `searchPath`.
    explicit ProgramLaunch(std::string program) : program_(std::move(program)) {}

    /// Words after the program's name.
    ProgramLaunch& arguments(std::vector<std::string> words) {
        arguments_.insert(arguments_.end(), words.begin(), words.end());
        return *this;
    }
    ProgramLaunch& searchPath() {
        searchPath_ = true;
        return *this;
    }
    /// This process's environment changed: a value sets the variable, an absent one removes it.
    ProgramLaunch& environment(const std::map<std::string, std::optional<std::string>>& changes) {
        for (const auto& [name, value] : changes) changes_[name] = value;
        return *this;
    }
    /// Exactly these variables, nothing of this process's.
    ProgramLaunch& onlyEnvironment(const std::map<std::string, std::string>& variables) {
        only_ = variables;
        return *this;
    }
    ProgramLaunch& folder(std::string path) {
        folder_ = std::move(path);
        return *this;
    }

    ProgramLaunch& inputFromFile(std::string path) {
        input_ = Input::file;
        inputFile_ = std::move(path);
        return *this;
    }
    ProgramLaunch& inputFromPipe() {
        input_ = Input::pipe;
        return *this;
    }
    ProgramLaunch& inputFromNothing() { return inputFromFile("/dev/null"); }

    /// Standard output into `path` (made anew); standard error stays this process's unless
    /// `errorToFile` names a file for it.
    ProgramLaunch& outputToFile(std::string path) {
        outputFile_ = std::move(path);
        return *this;
    }
    /// Standard output and error together into `path` (made anew).
    ProgramLaunch& outputAndErrorToFile(std::string path) {
        outputFile_ = std::move(path);
        errorWithOutput_ = true;
        return *this;
    }
    ProgramLaunch& errorToFile(std::string path) {
        errorFile_ = std::move(path);
        return *this;
    }
    /// Standard output and error together, kept for `ProgramEnd::output`.
    ProgramLaunch& captureOutput() {
        capture_ = true;
        return *this;
    }
    ProgramLaunch& outputToPipe() {
        outputPipe_ = true;
        return *this;
    }
    ProgramLaunch& discardOutput() { return outputAndErrorToFile("/dev/null"); }

    /// For `run`: the program is killed once it has run this long.
    ProgramLaunch& deadline(std::chrono::milliseconds limit) {
        deadline_ = limit;
        return *this;
    }

    RunningProgram start() const {
        RunningProgram running;
        int inputPipe[2] = {-1, -1};
        int outputPipe[2] = {-1, -1};
        if (input_ == Input::pipe && ::pipe2(inputPipe, O_CLOEXEC) != 0) return running;
        if (outputPipe_ && ::pipe2(outputPipe, O_CLOEXEC) != 0) {
            closeBoth(inputPipe);
            return running;
        }
        std::string outputFile = outputFile_;
        if (capture_) {
            std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-output-XXXXXX").string();
            const int made = ::mkstemp(pattern.data());
            if (made < 0) {
                closeBoth(inputPipe);
                closeBoth(outputPipe);
                return running;
            }
            ::close(made);
            outputFile = running.capture_ = pattern;
        }

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (input_ == Input::file) posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inputFile_.c_str(), O_RDONLY, 0);
        if (input_ == Input::pipe) posix_spawn_file_actions_adddup2(&actions, inputPipe[0], STDIN_FILENO);
        if (outputPipe_) posix_spawn_file_actions_adddup2(&actions, outputPipe[1], STDOUT_FILENO);
        if (!outputFile.empty()) {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                             0600);
        }
        if (!errorFile_.empty()) {
            posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                             0600);
        } else if (errorWithOutput_ || capture_) {
            posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        }
        if (!folder_.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder_.c_str());

        std::vector<std::string> words{program_};
        words.insert(words.end(), arguments_.begin(), arguments_.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        std::map<std::string, std::optional<std::string>> changes = changes_;
        std::vector<std::string> onlyEntries;
        std::vector<char*> onlyPointers;
        if (only_) {
            for (const auto& [name, value] : *only_) onlyEntries.push_back(name + "=" + value);
            for (std::string& entry : onlyEntries) onlyPointers.push_back(entry.data());
            onlyPointers.push_back(nullptr);
        }
        ChildEnvironment environment(changes);
        char** envp = only_ ? onlyPointers.data() : environment.envp();

        const auto spawn = searchPath_ ? ::posix_spawnp : ::posix_spawn;
        running.startedAt_ = std::chrono::steady_clock::now();
        pid_t pid = -1;
        const int spawned = spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), envp);
        posix_spawn_file_actions_destroy(&actions);
        if (inputPipe[0] >= 0) ::close(inputPipe[0]);
        if (outputPipe[1] >= 0) ::close(outputPipe[1]);
        if (spawned != 0) {
            if (inputPipe[1] >= 0) ::close(inputPipe[1]);
            if (outputPipe[0] >= 0) ::close(outputPipe[0]);
            return running;
        }
        running.pid_ = pid;
        running.started_ = true;
        running.input_ = inputPipe[1];
        running.output_ = outputPipe[0];
        return running;
    }

    /// Starts it and waits for its end (or the deadline, when one is set). A program whose
    /// input is a pipe sees the end of its input at once.
    ProgramEnd run() const {
        RunningProgram running = start();
        running.closeInput();
        if (!running.started()) return {};
        if (!deadline_) return *running.waitForEnd();
        if (auto end = running.waitForEnd(*deadline_)) return *end;
        ProgramEnd end = running.kill();
        end.timedOut = true;
        return end;
    }

private:
    enum class Input { inherited, file, pipe };

    static void closeBoth(int (&ends)[2]) {
        for (int& end : ends) {
            if (end >= 0) ::close(end);
            end = -1;
        }
    }

    std::string program_;
    std::vector<std::string> arguments_;
    bool searchPath_ = false;
    std::map<std::string, std::optional<std::string>> changes_;
    std::optional<std::map<std::string, std::string>> only_;
    std::string folder_;
    Input input_ = Input::inherited;
    std::string inputFile_;
    std::string outputFile_;
    std::string errorFile_;
    bool errorWithOutput_ = false;
    bool capture_ = false;
    bool outputPipe_ = false;
    std::optional<std::chrono::milliseconds> deadline_;
};

}  // namespace quorvel::testing
