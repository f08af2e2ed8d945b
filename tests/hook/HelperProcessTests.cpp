// The built helper as a process: how it posts, spools, starts the app and ends, whatever the
// app answers or the agent does.
#include <filesystem>

#include "tests/hook/HelperProcessTestbed.hpp"

namespace quorvel {
namespace {

TEST_F(HelperProcessTest, WithoutTheAppItSpoolsAndStartsIt) {
    double before = Instant::now().unixSeconds();
    run({}, stopPayload);
    auto events = spooled();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event.text(), "Stop");
    EXPECT_EQ(events[0].sessionID, "abc");
    EXPECT_EQ(events[0].cwd, "/tmp/p");
    EXPECT_GE(events[0].receivedAt, before);
    EXPECT_NE(log().find(" app not answering for Stop: No such file or directory"), std::string::npos) << log();
    // The app is started detached, reading nothing of the agent's, in the background.
    EXPECT_EQ(awaitFile(home / "app-started"), "/dev/null\n");
    EXPECT_EQ(TempFolder::read(home / "app-arguments"), "--background\n");
}

TEST_F(HelperProcessTest, AnAppThatAnsweredAtAllIsNotStartedAgainButNothingListeningIs) {
    // A 503 (its queue is full) and silence after the connection was taken (paused, busy):
    // the app runs, and drains the spool once it can.
    for (const std::optional<std::string>& reply :
         {std::optional<std::string>("HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n"),
          std::optional<std::string>()}) {
        FakeEventServer server(reply);
        serveEndpoint(server);
        run({}, stopPayload);
    }
    EXPECT_EQ(spooled().size(), 2u);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(TempFolder::read(home / "app-started"), "") << "started though the app answered";

    // The port of an app that has ended: refused, so nothing runs.
    std::uint16_t closedPort = 0;
    {
        FakeEventServer gone(accepted);
        closedPort = gone.port();
    }
    ASSERT_TRUE((Endpoint{closedPort, token}.write(paths.endpoint())));
    run({}, stopPayload);
    EXPECT_EQ(spooled().size(), 3u);
    EXPECT_EQ(awaitFile(home / "app-started"), "/dev/null\n");
    EXPECT_NE(log().find(" app not answering for Stop: Connection refused\n"), std::string::npos) << log();
}

TEST_F(HelperProcessTest, PostsToARunningServerWithTheToken) {
    FakeEventServer server(accepted);
    serveEndpoint(server);
    environment["TERM_PROGRAM"] = "kitty";
    run({}, stopPayload);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("\r\nAuthorization: Bearer " + token + "\r\n"), std::string::npos);
    HookEvent event = postedEvent(requests[0]);
    EXPECT_EQ(event.event.text(), "Stop");
    EXPECT_EQ(event.termProgram, "kitty");
    EXPECT_TRUE(spooled().empty());
    EXPECT_EQ(log(), "");
    EXPECT_EQ(TempFolder::read(home / "app-started"), "");
}

TEST_F(HelperProcessTest, NamesATerminalThatSetsNoTermProgramFromItsOwnVariables) {
    environment["GNOME_TERMINAL_SCREEN"] = "/org/gnome/Terminal/screen/0f3a";
    environment["VTE_VERSION"] = "7006";
    run({}, stopPayload);
    ASSERT_EQ(spooled().size(), 1u);
    EXPECT_EQ(spooled()[0].termProgram, "gnome-terminal");
}

TEST_F(HelperProcessTest, NamesATerminalThatSetsNoVariableOfItsOwnFromItsProcessAncestry) {
    // Debian's Xfce Terminal: its shells get only COLORTERM=truecolor and VTE_VERSION. A shell
    // under its name stands in for it (the kernel names a process after the link it ran).
    const std::string terminal = home / "xfce4-terminal";
    std::filesystem::create_symlink("/bin/sh", terminal);
    environment["COLORTERM"] = "truecolor";
    environment["VTE_VERSION"] = "7006";
    std::ofstream(home / "payload") << stopPayload;
    const testing::ProgramEnd end =
        testing::ProgramLaunch(terminal)
            .arguments({"-c", "\"$0\" <\"$1\"; exit $?", testing::helperExecutable(), home / "payload"})
            .onlyEnvironment(environment)
            .captureOutput()
            .run();
    EXPECT_TRUE(end.exitedNormally && end.exitStatus == 0) << end.output;
    ASSERT_EQ(spooled().size(), 1u);
    EXPECT_EQ(spooled()[0].termProgram, "xfce4-terminal");

}

TEST_F(HelperProcessTest, AnyAnswerButAcceptedSpools) {
    FakeEventServer server("HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    serveEndpoint(server);
    run({}, stopPayload);
    EXPECT_EQ(spooled().size(), 1u);
    EXPECT_NE(log().find(" app answered 401 for Stop\n"), std::string::npos) << log();
}

TEST_F(HelperProcessTest, GivesUpOnASilentServerInTime) {
    FakeEventServer server(std::nullopt);
    serveEndpoint(server);
    auto result = run({}, stopPayload);
    EXPECT_LT(result.seconds, 1.5);
    EXPECT_EQ(spooled().size(), 1u);
    EXPECT_NE(log().find(" app not answering for Stop: Connection timed out\n"), std::string::npos) << log();
}

TEST_F(HelperProcessTest, ThePostAndItsSpooledCopyCarryOneIdentityOfTheirOwn) {
    // The server reads the request and never answers: the app may still handle the post, and
    // the spooled copy must be known as the same event.
    FakeEventServer server(std::nullopt);
    serveEndpoint(server);
    run({}, stopPayload);
    ASSERT_EQ(server.requests().size(), 1u);
    const HookEvent posted = postedEvent(server.requests()[0]);
    auto events = spooled();
    ASSERT_EQ(events.size(), 1u);
    ASSERT_TRUE(posted.eventID.has_value());
    EXPECT_EQ(posted.eventID->size(), 36u) << *posted.eventID;
    EXPECT_EQ(events[0].eventID, posted.eventID);

    // Another run of the same payload is another event.
    run({}, stopPayload);
    ASSERT_EQ(server.requests().size(), 2u);
    const HookEvent again = postedEvent(server.requests()[1]);
    EXPECT_NE(again.eventID, posted.eventID);
}

TEST_F(HelperProcessTest, ThePostAndItsSpooledCopyCarryTheBootClockOfTheMomentItWasReceived) {
    FakeEventServer server(std::nullopt);
    serveEndpoint(server);
    const std::optional<BootStamp> before = readBootStamp();
    ASSERT_TRUE(before);
    run({}, stopPayload);
    const std::optional<BootStamp> after = readBootStamp();
    ASSERT_EQ(server.requests().size(), 1u);
    const HookEvent posted = postedEvent(server.requests()[0]);
    auto events = spooled();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(posted.bootID, before->bootID);
    ASSERT_TRUE(posted.bootSeconds);
    EXPECT_GE(*posted.bootSeconds, before->seconds);
    EXPECT_LE(*posted.bootSeconds, after->seconds);
    EXPECT_EQ(events[0].bootSeconds, posted.bootSeconds);
    EXPECT_EQ(events[0].bootID, posted.bootID);
}

TEST_F(HelperProcessTest, FinishesItsJobWhenTheAgentEndsItMidPost) {
    FakeEventServer server(std::nullopt);
    serveEndpoint(server);
    auto result = runHelper({}, environment, stopPayload, [&server](pid_t helper) {
        // Once the request is in, the helper waits for an answer: that is when the agent's
        // exit (and a closing terminal) reach it.
        for (int i = 0; i < 100 && server.requests().empty(); ++i) std::this_thread::sleep_for(10ms);
        for (int signal : {SIGTERM, SIGHUP, SIGINT, SIGPIPE, SIGQUIT, SIGXFSZ}) ::kill(helper, signal);
    });
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_TRUE(result.exitedNormally);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_LT(result.seconds, 1.5);
    // It gave the silent app up in its own time and kept the event.
    ASSERT_EQ(spooled().size(), 1u);
    EXPECT_EQ(spooled()[0].event.text(), "Stop");
}

TEST_F(HelperProcessTest, EvenAFaultOfItsOwnEndsWithStatusZero) {
    for (int fault : {SIGABRT, SIGSEGV}) {
        auto result = runHelper({}, environment, std::nullopt, [fault](pid_t helper) {
            std::this_thread::sleep_for(100ms);
            ::kill(helper, fault);
        });
        EXPECT_TRUE(result.exitedNormally) << fault;
        EXPECT_EQ(result.exitStatus, 0) << fault;
        EXPECT_LT(result.seconds, 1.4) << fault;
    }
}

TEST_F(HelperProcessTest, AnInputThatNeverEndsIsLoggedOnceBeforeTheRunEnds) {
    auto result = run({}, std::nullopt);
    EXPECT_GE(result.seconds, 0.9);
    EXPECT_LT(result.seconds, 3.0);
    const std::string written = log();
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
    EXPECT_NE(written.find(" stdin was still open after 0 bytes; gave up waiting\n"), std::string::npos) << written;
    EXPECT_TRUE(spooled().empty());
}

TEST_F(HelperProcessTest, AStringStillStreamingAtTheDeadlineIsGivenUpWithOneLogLine) {
    // A member the event never uses, written as fast as the helper takes it and never ended:
    // the helper holds megabytes of one unfinished string when its input deadline comes.
    const auto result = testing::runHelperFedBy({}, environment, [](int fd) {
        const std::string start = R"({"hook_event_name":"Stop","session_id":"abc","unused":")";
        const std::string chunk(1 << 20, 'x');
        if (::write(fd, start.data(), start.size()) <= 0) return;
        for (int mebibytes = 0; mebibytes < 4096; ++mebibytes) {
            for (std::string_view left = chunk; !left.empty();) {
                const ssize_t count = ::write(fd, left.data(), left.size());
                if (count <= 0) return;  // the helper gave up and closed its end
                left.remove_prefix(static_cast<std::size_t>(count));
            }
        }
    });
    EXPECT_TRUE(result.exitedNormally);
    EXPECT_EQ(result.exitStatus, 0);
    const std::string written = log();
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
    EXPECT_NE(written.find(" stdin was still open after "), std::string::npos) << written;
    EXPECT_TRUE(spooled().empty());
}

}  // namespace
}  // namespace quorvel
