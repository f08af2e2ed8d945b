// Every run keeps its order, its title and its end: the real helper and the real app as
// processes, with throw-away homes (see the CTest entry), when an event is spooled and the
// next goes straight in, when an event arrives both ways, across a restart mid-run, for many
// sessions at once and for a cold start by parallel helpers. Each test prints its figure
// ("runs with a title and a duration out of all runs") as a line starting with "figure:";
// QUORVEL_ORDER_SESSIONS sets how many sessions the crowded-table test uses (1,200).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/Instant.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "tests/hook/FakeEventServer.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/ChildEnvironment.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::RuntimeFolder;
using testing::TemporaryFolder;

const std::string helperPath = (fs::path(QUORVEL_APP).parent_path() / "quorvel-hook").string();

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 30s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::string payload(const std::string& event, const std::string& session, const std::string& prompt = "") {
    json::Json made = json::Json::object();
    made["hook_event_name"] = event;
    made["session_id"] = session;
    made["cwd"] = "/work/site";
    if (!prompt.empty()) made["prompt"] = prompt;
    return json::dump(made);
}

/// Runs the helper as the agent does: `input` on its standard input, the home's environment,
/// `app` as the app it starts when it must. Waits for it to end.
void runHelper(const std::string& home, const std::string& runtime, const std::string& input,
               const std::string& app = "/bin/true") {
    int pipeEnds[2];
    // Close-on-exec: helpers spawned at once from other threads must not inherit this pipe,
    // or this helper's input would never end.
    ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    testing::ChildEnvironment environment({{"HOME", home},
                                           {"XDG_CONFIG_HOME", home + "/.config"},
                                           {"XDG_DATA_HOME", home + "/.local/share"},
                                           {"XDG_CACHE_HOME", home + "/.cache"},
                                           {"XDG_STATE_HOME", home + "/.local/state"},
                                           {"XDG_RUNTIME_DIR", runtime},
                                           {"QUORVEL_APP_EXECUTABLE", app},
                                           {"QUORVEL_LOG_STDERR", "0"},
                                           {"QUORVEL_LOG_FILE", home + "/quorvel.log"}});
    std::string program = helperPath;
    char* argv[] = {program.data(), nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, helperPath.c_str(), &actions, nullptr, argv, environment.envp());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[0]);
    ASSERT_EQ(spawned, 0);
    const ssize_t written = ::write(pipeEnds[1], input.data(), input.size());
    ::close(pipeEnds[1]);
    EXPECT_EQ(written, ssize_t(input.size()));
    int status = -1;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

/// Runs that kept the title `titleOf` expects and a duration of at least `least` seconds.
std::size_t completeRuns(const std::vector<FinishedRun>& runs,
                         const std::function<std::string(const FinishedRun&)>& titleOf, double least) {
    std::size_t complete = 0;
    for (const FinishedRun& run : runs) complete += run.title == titleOf(run) && run.duration && *run.duration >= least;
    return complete;
}

std::string fixTheBuild(const FinishedRun&) { return "fix the build"; }
/// "task <n>" for session "run-<n>".
std::string numberedTask(const FinishedRun& run) { return "task " + run.sessionID.substr(4); }

void printFigure(const std::string& what, std::size_t complete, std::size_t all) {
    std::printf("figure: %s: %zu of %zu runs with a title and a duration\n", what.c_str(), complete, all);
}

class App : public testing::AppProcess {
public:
    App(const std::string& home, const std::string& runtime) : AppProcess(QUORVEL_APP, home, runtime) {}

    std::optional<Endpoint> endpoint() const {
        std::optional<Endpoint> found;
        waitFor([&] {
            auto read = Endpoint::read(paths().endpoint());
            if (!read || logText().find("Listening on 127.0.0.1:" + std::to_string(read->port)) == std::string::npos) {
                return false;
            }
            found = *read;
            return true;
        });
        return found;
    }

    std::string savedSessions() const {
        auto text = files::readFile(paths().appSupport() + "/sessions.json");
        return text ? *text : std::string();
    }

    bool spoolEmpty() const { return !fs::exists(paths().spool()) || fs::is_empty(paths().spool()); }

    std::string helperLog() const {
        auto text = files::readFile(paths().hookLog());
        return text ? *text : std::string();
    }
};

class AppEventOrderTests : public ::testing::Test {
protected:
    void helper(const std::string& input, const std::string& appProgram = "/bin/true") {
        runHelper(home.path(), runtime.path(), input, appProgram);
    }

    TemporaryFolder home;
    RuntimeFolder runtime;
    App app{home.path(), runtime.path()};
};

TEST_F(AppEventOrderTests, AStopAnswered503ThenALiveSessionEndEndsTheRunOnce) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    helper(payload("UserPromptSubmit", "run-1", "fix the build"));
    std::this_thread::sleep_for(1100ms);
    {
        // The app is too busy for the Stop: answered 503, the helper spools it.
        testing::FakeEventServer busy("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        const Endpoint busyEndpoint{busy.port(), endpoint->token};
        ASSERT_TRUE(busyEndpoint.write(app.paths().endpoint()));
        helper(payload("Stop", "run-1"));
        ASSERT_EQ(busy.requests().size(), 1u);
        ASSERT_TRUE(endpoint->write(app.paths().endpoint()));
    }
    ASSERT_NE(app.helperLog().find("app answered 503 for Stop"), std::string::npos) << app.helperLog();
    helper(payload("SessionEnd", "run-1"));

    ASSERT_TRUE(waitFor([&] { return app.finished().size() == 1 && app.spoolEmpty(); })) << app.logText();
    // Two ticks later nothing was made again.
    std::this_thread::sleep_for(11s);
    const auto runs = app.finished();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].title, "fix the build");
    ASSERT_TRUE(runs[0].duration);
    EXPECT_GE(*runs[0].duration, 1.0);
    EXPECT_EQ(app.savedSessions().find("run-1"), std::string::npos) << app.savedSessions();
    printFigure("a Stop answered 503, then a live SessionEnd", completeRuns(runs, fixTheBuild, 1.0) ? 1 : 0, 1);
}

TEST_F(AppEventOrderTests, APostReadAfterItTimedOutAndItsSpooledCopyGiveOneFinishedRow) {
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    helper(payload("UserPromptSubmit", "run-1", "fix the build"));
    // The app stalls: the helper's post is taken by the system but not answered in time.
    ASSERT_TRUE(app.pause());
    helper(payload("Stop", "run-1"));
    ASSERT_TRUE(app.resume());
    ASSERT_NE(app.helperLog().find("app not answering for Stop"), std::string::npos) << app.helperLog();
    ASSERT_TRUE(waitFor([&] { return app.finished().size() == 1 && app.spoolEmpty(); })) << app.logText();
    std::this_thread::sleep_for(6s);
    const auto runs = app.finished();
    ASSERT_EQ(runs.size(), 1u) << app.logText();
    EXPECT_EQ(runs[0].title, "fix the build");
    std::printf("figure: a post read after it timed out, and its spooled copy: %zu finished row(s); %s\n", runs.size(),
                app.logText().find("arrived both posted and spooled") != std::string::npos
                    ? "the copy was recognised"
                    : "the post was never read");
}

TEST_F(AppEventOrderTests, ARunSpanningARestartEndsWithItsTitleAndDurationFromItsStart) {
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    helper(payload("UserPromptSubmit", "run-1", "fix the build"));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(app.terminate(), std::optional<int>(0));
    EXPECT_NE(app.savedSessions().find("fix the build"), std::string::npos) << app.savedSessions();
    EXPECT_EQ(fs::status(app.paths().appSupport() + "/sessions.json").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    helper(payload("Stop", "run-1"));
    ASSERT_TRUE(waitFor([&] { return app.finished().size() == 1; })) << app.logText();
    const auto runs = app.finished();
    EXPECT_EQ(runs[0].title, "fix the build");
    ASSERT_TRUE(runs[0].duration);
    EXPECT_GE(*runs[0].duration, 1.5);
    printFigure("a restart mid-run", completeRuns(runs, fixTheBuild, 1.5) ? 1 : 0, 1);
}

TEST_F(AppEventOrderTests, ManySessionsStoppedInStartOrderAllKeepTheirTitleAndDuration) {
    const char* setting = std::getenv("QUORVEL_ORDER_SESSIONS");
    const int sessions = setting ? std::max(1, std::atoi(setting)) : 1200;
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    // Thousands of helper processes would measure process start-up on a busy machine: the
    // events the helper makes are posted with its own client instead, eight at a time.
    const auto inParallel = [&](int first, int end, const std::function<HookEvent(int)>& made) {
        std::vector<std::thread> workers;
        std::atomic<int> next = first;
        for (int worker = 0; worker < 8; ++worker) {
            workers.emplace_back([&] {
                for (int index = next++; index < end; index = next++) {
                    HookEvent event = made(index);
                    event.eventID = "event-" + std::to_string(index) + "-" + event.event.text();
                    const std::string body = json::dump(event.encode());
                    // Past the server's queue it answers 503, where the helper would spool.
                    for (auto status = post(body, *endpoint, 5.0); !status || *status != 202;
                         status = post(body, *endpoint, 5.0)) {
                        std::this_thread::sleep_for(5ms);
                    }
                }
            });
        }
        for (std::thread& worker : workers) worker.join();
    };
    const auto now = [] { return Instant::now().unixSeconds(); };
    inParallel(0, sessions, [&](int index) {
        HookEvent event = HookEvent::make("UserPromptSubmit", "run-" + std::to_string(index), now());
        event.promptFirstLine = "task " + std::to_string(index);
        event.isTaskNotification = false;
        event.cwd = "/work/site";
        return event;
    });
    std::this_thread::sleep_for(1s);

    // Stopped in start order, in batches the finished list can show whole.
    constexpr int batch = 40;
    std::size_t complete = 0;
    for (int first = 0; first < sessions; first += batch) {
        const int end = std::min(sessions, first + batch);
        inParallel(first, end, [&](int index) { return HookEvent::make("Stop", "run-" + std::to_string(index), now()); });
        std::vector<FinishedRun> runs;
        waitFor([&] {
            runs = app.finished();
            std::size_t seen = 0;
            for (const FinishedRun& run : runs) {
                const int number = std::atoi(run.sessionID.c_str() + 4);
                seen += number >= first && number < end;
            }
            return seen == std::size_t(end - first);
        });
        runs.erase(std::remove_if(runs.begin(), runs.end(),
                                  [&](const FinishedRun& run) {
                                      const int number = std::atoi(run.sessionID.c_str() + 4);
                                      return number < first || number >= end;
                                  }),
                   runs.end());
        complete += completeRuns(runs, numberedTask, 1.0);
    }
    EXPECT_EQ(complete, std::size_t(sessions)) << app.logText();
    printFigure(std::to_string(sessions) + " sessions started, then stopped in start order", complete, sessions);
}

/// The copies of the app running with `home` as their home, which a helper started.
std::vector<pid_t> appsStartedFor(const std::string& home) {
    std::vector<pid_t> found;
    const fs::path app = fs::weakly_canonical(QUORVEL_APP);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code linkError;
        if (fs::read_symlink(entry.path() / "exe", linkError) != app) continue;
        std::ifstream environ(entry.path() / "environ", std::ios::binary);
        for (std::string variable; std::getline(environ, variable, '\0');) {
            if (variable == "HOME=" + home) found.push_back(pid_t(std::atoi(name.c_str())));
        }
    }
    return found;
}

TEST_F(AppEventOrderTests, AColdStartByParallelHelpersKeepsEveryRunWhole) {
    // No app runs: the first helpers spool their prompts and start it, the later ones post.
    constexpr int sessions = 32;
    std::vector<std::thread> agents;
    for (int index = 0; index < sessions; ++index) {
        agents.emplace_back([&, index] {
            const std::string session = "run-" + std::to_string(index);
            helper(payload("UserPromptSubmit", session, "task " + std::to_string(index)), QUORVEL_APP);
            std::this_thread::sleep_for(1s);
            helper(payload("Stop", session), QUORVEL_APP);
        });
    }
    for (std::thread& agent : agents) agent.join();
    std::vector<FinishedRun> runs;
    const bool all = waitFor([&] { return (runs = app.finished()).size() >= std::size_t(sessions) && app.spoolEmpty(); }, 30s);
    std::this_thread::sleep_for(1s);
    runs = app.finished();
    const std::vector<pid_t> started = appsStartedFor(home.path());
    EXPECT_EQ(started.size(), 1u) << "copies of the app running";
    for (pid_t pid : started) ::kill(pid, SIGTERM);
    waitFor([&] { return appsStartedFor(home.path()).empty(); }, 10s);
    printFigure("a cold start by " + std::to_string(sessions) + " parallel helpers",
                completeRuns(runs, numberedTask, 1.0), sessions);
    std::string listed;
    for (const FinishedRun& run : runs) {
        listed += run.sessionID + " '" + run.title + "' " + (run.duration ? std::to_string(*run.duration) : "-") + "\n";
    }
    ASSERT_TRUE(all) << runs.size() << " rows; spool empty: " << app.spoolEmpty() << "; rows:\n" << listed << "helper log:\n"
                     << app.helperLog() << "app log:\n" << app.logText();
    EXPECT_EQ(runs.size(), std::size_t(sessions));
    EXPECT_EQ(completeRuns(runs, numberedTask, 1.0), std::size_t(sessions));
}

}  // namespace
}  // namespace quorvel
