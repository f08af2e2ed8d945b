// Every run keeps its order, its title and its end when an event is spooled and the next goes
// straight in, when an event arrives both ways, and across a restart mid-run.
#include "tests/app/end_to_end/AppEventOrderTestbed.hpp"

namespace quorvel {
namespace {

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

}  // namespace
}  // namespace quorvel
