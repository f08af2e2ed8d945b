#pragma once
// Every run keeps its order, its title and its end: the real helper and the real app as
// processes, with throw-away homes (see the CTest entry), when an event is spooled and the
// next goes straight in, when an event arrives both ways, across a restart mid-run, for many
// sessions at once and for a cold start by parallel helpers. Each test prints its figure
// ("runs with a title and a duration out of all runs") as a line starting with "figure:";
// QUORVEL_ORDER_SESSIONS sets how many sessions the crowded-table test uses (1,200). The
// spool test prints what a live event costs with entries left in the spool folder.
//
// The ground those tests share: the helper run as the agent runs it, the app as a process, and
// the runs counted.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/time/Instant.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/hook/FakeEventServer.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::RuntimeFolder;
using testing::TemporaryFolder;

const std::string helperPath = (fs::path(QUORVEL_APP).parent_path() / "quorvel-hook").string();

inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 30s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

inline std::string payload(const std::string& event, const std::string& session, const std::string& prompt = "") {
    json::Json made = json::Json::object();
    made["hook_event_name"] = event;
    made["session_id"] = session;
    made["cwd"] = "/work/site";
    if (!prompt.empty()) made["prompt"] = prompt;
    return json::dump(made);
}

/// Runs the helper as the agent does: `input` on its standard input, the home's environment,
/// `app` as the app it starts when it must. Waits for it to end.
inline void runHelper(const std::string& home, const std::string& runtime, const std::string& input,
               const std::string& app = "/bin/true") {
    testing::RunningProgram helper = testing::ProgramLaunch(helperPath)
                                         .environment({{"HOME", home},
                                                       {"XDG_CONFIG_HOME", home + "/.config"},
                                                       {"XDG_DATA_HOME", home + "/.local/share"},
                                                       {"XDG_CACHE_HOME", home + "/.cache"},
                                                       {"XDG_STATE_HOME", home + "/.local/state"},
                                                       {"XDG_RUNTIME_DIR", runtime},
                                                       {"QUORVEL_APP_EXECUTABLE", app},
                                                       {"QUORVEL_LOG_STDERR", "0"},
                                                       {"QUORVEL_LOG_FILE", home + "/quorvel.log"}})
                                         .inputFromPipe()
                                         .start();
    ASSERT_TRUE(helper.started());
    const ssize_t written = ::write(helper.input(), input.data(), input.size());
    helper.closeInput();
    EXPECT_EQ(written, ssize_t(input.size()));
    EXPECT_TRUE(helper.waitForEnd()->succeeded());
}

/// Runs that kept the title `titleOf` expects and a duration of at least `least` seconds.
inline std::size_t completeRuns(const std::vector<FinishedRun>& runs,
                         const std::function<std::string(const FinishedRun&)>& titleOf, double least) {
    std::size_t complete = 0;
    for (const FinishedRun& run : runs) complete += run.title == titleOf(run) && run.duration && *run.duration >= least;
    return complete;
}

inline std::string fixTheBuild(const FinishedRun&) { return "fix the build"; }
/// "task <n>" for session "run-<n>".
inline std::string numberedTask(const FinishedRun& run) { return "task " + run.sessionID.substr(4); }

inline void printFigure(const std::string& what, std::size_t complete, std::size_t all) {
    std::printf("figure: %s: %zu of %zu runs with a title and a duration\n", what.c_str(), complete, all);
}

class App : public testing::AppProcess {
public:
    App(const std::string& home, const std::string& runtime) : AppProcess(QUORVEL_APP, home, runtime) {}

    std::optional<Endpoint> endpoint() const { return waitUntilServing(30s); }

    std::string savedSessions() const {
        auto text = files::readFile(paths().appSupport() + "/sessions.json");
        return text ? *text : std::string();
    }

    bool spoolEmpty() const { return !fs::exists(paths().spool()) || fs::is_empty(paths().spool()); }

    std::string helperLog() const {
        auto text = files::readFile(paths().hookLog());
        return text ? *text : std::string();
    }

    /// The finished row of `session`, once there is one.
    std::optional<FinishedRun> finishedRunOf(const std::string& session) const {
        for (const FinishedRun& run : finished()) {
            if (run.sessionID == session) return run;
        }
        return std::nullopt;
    }

    /// Seconds of processor time the app has used so far.
    double processorSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(pid()) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // The fields after the command name (which may hold spaces) are plain numbers:
        // utime and stime are the 12th and 13th of them.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int index = 1; index <= 13 && fields >> field; ++index) {
            if (index >= 12) ticks += std::atof(field.c_str());
        }
        return ticks / double(::sysconf(_SC_CLK_TCK));
    }

    std::size_t logBytes() const { return logText().size(); }
};

/// Posts every event as the helper does, eight at a time; a 503 is posted again a moment
/// later, as the helper's spooled copy would come back.
inline void postAll(const Endpoint& endpoint, const std::vector<HookEvent>& events) {
    std::vector<std::thread> workers;
    std::atomic<std::size_t> next = 0;
    for (int worker = 0; worker < 8; ++worker) {
        workers.emplace_back([&] {
            for (std::size_t index = next++; index < events.size(); index = next++) {
                const std::string body = json::dump(events[index].encode());
                for (auto status = post(body, endpoint, 5.0); !status || *status != 202; status = post(body, endpoint, 5.0)) {
                    std::this_thread::sleep_for(5ms);
                }
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
}

class AppEventOrderTests : public ::testing::Test {
protected:
    void helper(const std::string& input, const std::string& appProgram = "/bin/true") {
        runHelper(home.path(), runtime.path(), input, appProgram);
    }

    TemporaryFolder home;
    RuntimeFolder runtime;
    App app{home.path(), runtime.path()};
};

}  // namespace quorvel
