#pragma once
// The built app as a process of its own, started the way the user's session starts it but
// with a home and a runtime folder of the caller's: the home holds the single-instance lock,
// so a Quorvel the user already runs never makes this one a silent second copy. Free of any test framework, so the benchmarks start the app through it too.
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>
#include <optional>
#include <string>

#include "kit/engine/Endpoint.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/HomeEnvironment.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel::testing {

class AppProcess {
public:
    /// Whether the app's log lines are also copied to a file of the caller's (`log`), beside
    /// the journal.
    enum class LogCopy { file, none };

    /// `runtime` should be private to the user (0700), as the session's own is.
    AppProcess(std::string program, std::string home, std::string runtime, LogCopy logCopy = LogCopy::file)
        : program_(std::move(program)), home_(std::move(home)), runtime_(std::move(runtime)), logCopy_(logCopy) {}
    ~AppProcess() {
        stop();
        for (RunningProgram& earlier : earlier_) earlier.terminate();
    }
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    /// Starts the app with this process's environment, but for the home, the XDG folders and
    /// the runtime folder, and with nothing logged on standard error. The log file starts
    /// empty, so a line of an earlier run never counts for this one. False when it couldn't be
    /// started.
    bool start() { return start({}); }

    /// The same, with `arguments` after the program's name.
    bool start(const std::vector<std::string>& arguments) {
        std::map<std::string, std::optional<std::string>> changes = homeEnvironment(home_, runtime_);
        changes["QUORVEL_LOG_STDERR"] = "0";
        changes["QUORVEL_LOG_FILE"] = std::nullopt;
        if (logCopy_ == LogCopy::file) {
            ::unlink(log().c_str());
            changes["QUORVEL_LOG_FILE"] = log();
        }
        for (const auto& [name, value] : extraEnvironment_) changes[name] = value;
        // A copy still running from an earlier start goes on as it would have; it is ended
        // with this object.
        if (process_.started()) earlier_.push_back(std::move(process_));
        process_ = ProgramLaunch(program_).arguments(arguments).environment(changes).start();
        return process_.started();
    }

    /// Starts the app and waits, at most `limit`, until it serves: the endpoint it serves on,
    /// absent when it couldn't be started or didn't serve in time (needs `LogCopy::file`).
    std::optional<Endpoint> startServing(std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        return start() ? waitUntilServing(limit) : std::nullopt;
    }
    /// The endpoint the running app serves on, once it does within `limit`.
    std::optional<Endpoint> waitUntilServing(std::chrono::milliseconds limit = std::chrono::seconds(30)) const {
        std::optional<Endpoint> endpoint;
        waitFor([&] { return (endpoint = servingEndpoint()).has_value(); }, limit);
        return endpoint;
    }

    /// A variable the app is started with beyond those `start` sets (a library preloaded to
    /// give it a clock of the test's, say), from the next start on.
    void addEnvironment(const std::string& name, const std::string& value) { extraEnvironment_[name] = value; }

    /// Ends the app as the session does at log-out, and waits for it.
    void stop() { terminate(); }

    /// Stalls the app as a hung one would be: returns true once every thread of it has
    /// stopped.
    bool pause() { return process_.pause(); }

    /// Lets a paused app go on.
    bool resume() { return process_.started() && process_.resume(); }

    /// Ends the app with SIGTERM and waits; its exit status, absent when a signal ended it.
    std::optional<int> terminate() {
        if (!process_.started()) return std::nullopt;
        const ProgramEnd end = process_.terminate();
        if (!end.exitedNormally) return std::nullopt;
        return end.exitStatus;
    }

    bool running() const { return process_.running(); }

    /// The exit status once the app ended within `timeout` (-1 for a signal); absent while it
    /// still runs.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout) {
        if (!process_.started()) return std::nullopt;
        const std::optional<ProgramEnd> end = process_.waitForEnd(timeout);
        if (!end) return std::nullopt;
        return end->exitStatus;
    }
    pid_t pid() const { return process_.pid(); }

    QuorvelPaths paths() const { return QuorvelPaths(home_); }
    /// The saved FINISHED list; empty when there is none or it can't be read.
    std::vector<FinishedRun> finished() const {
        std::vector<FinishedRun> runs;
        const auto text = files::readFile(files::joinPath(paths().appSupport(), "finished.json"));
        if (!text) return runs;
        try {
            for (const json::Json& element : json::parse(*text)) runs.push_back(FinishedRun::decode(element));
        } catch (const std::exception&) {
            runs.clear();
        }
        return runs;
    }

    /// How many entries the spool folder holds: events waiting for the app, and any still being
    /// written. 0 when there is no spool folder.
    std::size_t spoolEntries() const {
        std::error_code error;
        std::size_t count = 0;
        for (std::filesystem::directory_iterator entry(paths().spool(), error), end; !error && entry != end;
             entry.increment(error)) {
            ++count;
        }
        return count;
    }

    /// The copy of the log lines (with `LogCopy::file`).
    std::string log() const { return home_ + "/quorvel.log"; }
    /// What the log file holds so far; empty when nothing.
    std::string logText() const { return fileText(log()); }

    /// The endpoint the app wrote, once its log says it listens on that port: absent before it
    /// serves (and without `LogCopy::file`). Asks once; a test waits for it as it waits.
    std::optional<Endpoint> servingEndpoint() const { return servingEndpoint(paths(), logText()); }
    /// The same for a copy of the home `paths` whose log lines are `log` (one a helper started).
    static std::optional<Endpoint> servingEndpoint(const QuorvelPaths& paths, const std::string& log) {
        auto endpoint = Endpoint::read(paths.endpoint());
        if (!endpoint || log.find("Listening on 127.0.0.1:" + std::to_string(endpoint->port)) == std::string::npos) {
            return std::nullopt;
        }
        return *endpoint;
    }

private:
    std::string program_;
    std::string home_;
    std::string runtime_;
    LogCopy logCopy_;
    std::map<std::string, std::string> extraEnvironment_;
    RunningProgram process_;
    std::vector<RunningProgram> earlier_;
};

}  // namespace quorvel::testing
