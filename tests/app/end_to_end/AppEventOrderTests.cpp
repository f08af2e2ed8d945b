// Every run keeps its order, its title and its end: the real helper and the real app as
// processes, with throw-away homes (see the CTest entry), when an event is spooled and the
// next goes straight in, when an event arrives both ways, across a restart mid-run, for many
// sessions at once and for a cold start by parallel helpers. Each test prints its figure
// ("runs with a title and a duration out of all runs") as a line starting with "figure:";
// QUORVEL_ORDER_SESSIONS sets how many sessions the crowded-table test uses (1,200). The
// spool test prints what a live event costs with entries left in the spool folder.
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
#include "platform/Instant.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "tests/hook/FakeEventServer.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/ProgramLaunch.hpp"
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
void postAll(const Endpoint& endpoint, const std::vector<HookEvent>& events) {
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
                    // An identity as the helper writes it (a UUID), one per event, so a post
                    // that is sent again after a lost answer is still handled once.
                    char identity[37];
                    std::snprintf(identity, sizeof identity, "00000000-0000-4000-8%03u-%012d",
                                  static_cast<unsigned>(event.kind()) % 1000u, index);
                    event.eventID = identity;
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

TEST_F(AppEventOrderTests, AStopSpooledWhileItsPromptWaitsInTheServersQueueEndsTheRunWithItsTitle) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    constexpr int rounds = 3;
    std::size_t complete = 0;
    for (int round = 1; round <= rounds; ++round) {
        const std::string session = "run-" + std::to_string(round);
        // The main thread falls behind: failed commands of another session, each a finished
        // run saved to disk, fill the server's queue.
        std::vector<HookEvent> backlog;
        for (int index = 0; index < 1990; ++index) {
            HookEvent failed = HookEvent::make("PostToolUseFailure", "busy", Instant::now().unixSeconds());
            failed.toolName = "Bash";
            failed.command = "make " + std::to_string(index);
            failed.error = "Exit code 2";
            backlog.push_back(std::move(failed));
        }
        postAll(*endpoint, backlog);
        // Accepted behind them; its Stop then finds the app too busy and is spooled.
        helper(payload("UserPromptSubmit", session, "fix the build"));
        {
            testing::FakeEventServer busy("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            ASSERT_TRUE((Endpoint{busy.port(), endpoint->token}).write(app.paths().endpoint()));
            helper(payload("Stop", session));
            ASSERT_EQ(busy.requests().size(), 1u);
            ASSERT_TRUE(endpoint->write(app.paths().endpoint()));
        }
        ASSERT_TRUE(waitFor([&] { return app.finishedRunOf(session) && app.spoolEmpty(); }, 120s)) << app.logText();
        const FinishedRun run = *app.finishedRunOf(session);
        EXPECT_EQ(run.title, "fix the build") << "round " << round;
        EXPECT_TRUE(run.duration) << "round " << round;
        complete += run.title == "fix the build" && run.duration;
    }
    EXPECT_EQ(app.helperLog().find("for UserPromptSubmit"), std::string::npos) << app.helperLog();
    printFigure("a Stop spooled while its prompt waits in the server's queue behind 1,990 events", complete, rounds);
}

TEST_F(AppEventOrderTests, ASpooledPromptStampedAYearAheadIsEndedByItsLiveStop) {
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    // A helper under a clock a year fast spooled the prompt.
    HookEvent prompt = HookEvent::make("UserPromptSubmit", "run-1", Instant::now().unixSeconds() + 365 * 86400.0);
    prompt.promptFirstLine = "fix the build";
    prompt.isTaskNotification = false;
    prompt.cwd = "/work/site";
    ASSERT_TRUE(files::createDirectories(app.paths().spool(), 0700));
    ASSERT_TRUE(files::writeFileAtomically(app.paths().spool() + "/1796714910123-A.json", json::dump(prompt.encode()), 0600));
    std::this_thread::sleep_for(1100ms);
    helper(payload("Stop", "run-1"));

    ASSERT_TRUE(waitFor([&] { return app.finishedRunOf("run-1") && app.spoolEmpty(); })) << app.logText();
    std::this_thread::sleep_for(6s);
    const FinishedRun run = *app.finishedRunOf("run-1");
    EXPECT_EQ(run.title, "fix the build");
    ASSERT_TRUE(run.duration);
    EXPECT_GE(*run.duration, 0.0);
    EXPECT_LT(*run.duration, 120.0);
    EXPECT_EQ(app.finished().size(), 1u);
}

TEST_F(AppEventOrderTests, EntriesLeftInTheSpoolNeitherSlowLiveEventsNorFillTheLog) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    const std::string spool = app.paths().spool();
    ASSERT_TRUE(files::createDirectories(spool, 0700));
    constexpr int runs = 40;
    struct Cost {
        double stopToRowMilliseconds = 0;
        double processorSeconds = 0;
        double logBytesPerEvent = 0;
    };
    int session = 0;
    // Prompt and Stop through the helper, `runs` times: the Stop-to-row time (helper start to
    // the row in the saved list), and what the app spent and logged on those events.
    const auto measure = [&] {
        const double processorBefore = app.processorSeconds();
        const std::size_t logBefore = app.logBytes();
        std::vector<double> stopToRow;
        for (int run = 0; run < runs; ++run) {
            const std::string name = "run-" + std::to_string(++session);
            helper(payload("UserPromptSubmit", name, "fix the build"));
            const auto stopped = std::chrono::steady_clock::now();
            helper(payload("Stop", name));
            EXPECT_TRUE(waitFor([&] { return app.finishedRunOf(name).has_value(); }, 30s)) << name;
            stopToRow.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stopped).count());
        }
        std::sort(stopToRow.begin(), stopToRow.end());
        return Cost{stopToRow[stopToRow.size() / 2], app.processorSeconds() - processorBefore,
                    double(app.logBytes() - logBefore) / (2.0 * runs)};
    };
    const Cost empty = measure();

    // A stranger's leftovers: 20,000 names that aren't events, and 1,000 folders named like
    // events, which can be neither read nor removed.
    for (int index = 0; index < 20000; ++index) {
        const int made = ::open((spool + "/stray-" + std::to_string(index)).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        ASSERT_GE(made, 0);
        ::close(made);
    }
    for (int index = 0; index < 1000; ++index) {
        ASSERT_EQ(::mkdir((spool + "/folder-" + std::to_string(index) + ".json").c_str(), 0700), 0);
    }
    // A file landing in the folder has it looked at once: every folder is reported there.
    helper(payload("UserPromptSubmit", "look", "look"));
    {
        testing::FakeEventServer busy("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        ASSERT_TRUE((Endpoint{busy.port(), endpoint->token}).write(app.paths().endpoint()));
        helper(payload("Stop", "look"));
        ASSERT_TRUE(endpoint->write(app.paths().endpoint()));
    }
    ASSERT_TRUE(waitFor([&] { return app.finishedRunOf("look").has_value(); }, 60s)) << app.logText();
    const Cost crowded = measure();

    std::printf("figure: Stop-to-row time, median of %d: %.1f ms with an empty spool, %.1f ms with 20,000 stray "
                "names and 1,000 folders left in it\n",
                runs, empty.stopToRowMilliseconds, crowded.stopToRowMilliseconds);
    std::printf("figure: log bytes per event: %.0f with an empty spool, %.0f with those entries; processor time for "
                "%d events: %.2f s against %.2f s\n",
                empty.logBytesPerEvent, crowded.logBytesPerEvent, 2 * runs, crowded.processorSeconds,
                empty.processorSeconds);
    // Before, each live event listed, sorted and tried every entry again: tens of
    // milliseconds of processor time and two log lines per folder, for every event.
    EXPECT_LT(crowded.processorSeconds, empty.processorSeconds + 2.0);
    EXPECT_LT(crowded.logBytesPerEvent, empty.logBytesPerEvent + 1024);
    std::istringstream log(app.logText());
    std::size_t folderReports = 0;
    for (std::string line; std::getline(log, line);) folderReports += line.find("folder-0.json") != std::string::npos;
    EXPECT_LE(folderReports, 2u) << "lines about one folder";
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
