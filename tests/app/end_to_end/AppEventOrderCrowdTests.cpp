// Every run keeps its order, its title and its end for many sessions at once, with entries left
// in the spool folder, and for a cold start by parallel helpers.
#include "tests/app/end_to_end/AppEventOrderTestbed.hpp"

namespace quorvel {
namespace {

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
