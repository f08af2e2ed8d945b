#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "kit/engine/Endpoint.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "platform/BootClock.hpp"
#include "tests/hook/FakeEventServer.hpp"
#include "tests/hook/HelperProcess.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testing::FakeEventServer;
using testing::runHelper;
using testing::TempFolder;

const std::string token = "abcdefghijklmnopqrstuvwxyz0123456789-_ABCDE";
const std::string accepted = "HTTP/1.1 202 Accepted\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
const std::string stopPayload = R"({"hook_event_name":"Stop","session_id":"abc","cwd":"/tmp/p"})";

void writeScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    ::chmod(path.c_str(), 0755);
}

/// The event a request to the fake app carried.
HookEvent postedEvent(const std::string& request) {
    return HookEvent::decode(json::parse(FakeEventServer::bodyOf(request)));
}

/// Waits up to a second for a file a detached child writes.
std::string awaitFile(const std::string& path) {
    for (int i = 0; i < 100; ++i) {
        std::string text = TempFolder::read(path);
        if (!text.empty()) return text;
        std::this_thread::sleep_for(10ms);
    }
    return "";
}

/// One temporary home with a stand-in app that records how it was started.
class HelperProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeScript(home / "fake-app",
                    "echo \"$@\" > \"$HOME/app-arguments\"; readlink /proc/$$/fd/0 > \"$HOME/app-started\"");
        environment = {{"HOME", home.path()}, {"PATH", "/usr/bin:/bin"}, {"QUORVEL_APP_EXECUTABLE", home / "fake-app"}};
    }

    testing::HelperRun run(const std::vector<std::string>& arguments, const std::optional<std::string>& input) {
        auto result = runHelper(arguments, environment, input);
        testing::expectQuietRun(result);
        return result;
    }

    void serveEndpoint(const FakeEventServer& server) {
        const Endpoint endpoint{server.port(), token};
        ASSERT_TRUE(endpoint.write(paths.endpoint()));
    }

    std::string log() { return TempFolder::read(paths.hookLog()); }

    std::vector<HookEvent> spooled() {
        std::vector<HookEvent> events;
        for (const auto& name : TempFolder::names(paths.spool())) {
            events.push_back(HookEvent::decode(json::parse(TempFolder::read(paths.spool() + "/" + name))));
        }
        return events;
    }

    TempFolder home;
    QuorvelPaths paths{home.path()};
    std::map<std::string, std::string> environment;
};

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

TEST_F(HelperProcessTest, PayloadsOfMegabytesStillReachTheAppAsTheirEvents) {
    FakeEventServer server(accepted);
    serveEndpoint(server);
    const std::string message = "Done. " + std::string(2'000'000, 'm');
    json::Json stop = {{"hook_event_name", "Stop"}, {"session_id", "big-stop"}, {"cwd", "/tmp/p"},
                       {"last_assistant_message", message}};
    run({}, json::dump(stop));
    json::Json tool = {{"hook_event_name", "PostToolUse"},
                       {"session_id", "big-tool"},
                       {"tool_name", "Bash"},
                       {"tool_input", {{"command", "cat huge.log"}}},
                       {"tool_response", {{"stdout", std::string(2'000'000, 'o')}, {"stderr", ""}}},
                       {"duration_ms", 4187}};
    run({}, json::dump(tool));

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u) << log();
    const HookEvent stopEvent = postedEvent(requests[0]);
    EXPECT_EQ(stopEvent.event.text(), "Stop");
    EXPECT_EQ(stopEvent.sessionID, "big-stop");
    EXPECT_EQ(stopEvent.cwd, "/tmp/p");
    EXPECT_EQ(stopEvent.lastAssistantMessage, message.substr(0, HookEvent::longTextLimit));
    const HookEvent toolEvent = postedEvent(requests[1]);
    EXPECT_EQ(toolEvent.event.text(), "PostToolUse");
    EXPECT_EQ(toolEvent.sessionID, "big-tool");
    EXPECT_EQ(toolEvent.command, "cat huge.log");
    EXPECT_EQ(toolEvent.durationMs, 4187);
    EXPECT_EQ(log(), "");
}

TEST_F(HelperProcessTest, SimulatePostsTheStatesEventsInOrder) {
    FakeEventServer server(accepted);
    serveEndpoint(server);
    run({"--simulate", "done"}, std::nullopt);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(postedEvent(requests[0]).event.text(), "UserPromptSubmit");
    HookEvent stop = postedEvent(requests[1]);
    EXPECT_EQ(stop.event.text(), "Stop");
    EXPECT_EQ(stop.sessionID, "quorvel-simulated");

    run({"--capture", "--simulate"}, std::nullopt);
    run({"--simulate", "Running"}, std::nullopt);
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_NE(log().find(" unknown --simulate state ''\n"), std::string::npos) << log();
    EXPECT_NE(log().find(" unknown --simulate state 'Running'\n"), std::string::npos) << log();
    EXPECT_TRUE(TempFolder::names(paths.captures()).empty());
}

TEST_F(HelperProcessTest, LogsInputThatIsntAnEvent) {
    struct Case {
        std::string input;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"", " stdin wasn't a JSON object (0 bytes)\n"},
        {"[1]", " stdin wasn't a JSON object (3 bytes)\n"},
        {"\"text\"", " stdin wasn't a JSON object (6 bytes)\n"},
        {"{\"session_id\":", " stdin wasn't a JSON object (14 bytes)\n"},
        // Counted up to the input cap, however long it goes on.
        {std::string(2 * 1'048'576, 'x'), " stdin wasn't a JSON object (1048576 bytes)\n"},
        {"{\"pad\":\"" + std::string(2 * 1'048'576, 'x'), " stdin wasn't a JSON object (1048576 bytes)\n"},
        // Read to its end past the cap: a whole object, only without a session.
        {"{\"pad\":\"" + std::string(2 * 1'048'576, 'x') + "\"}", " payload had no session_id or hook_event_name\n"},
        {R"({"hook_event_name":"Stop"})", " payload had no session_id or hook_event_name\n"},
        {R"({"hook_event_name":"Stop","session_id":""})", " payload had no session_id or hook_event_name\n"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(paths.hookLog());
        run({}, c.input);
        EXPECT_TRUE(log().ends_with(c.line)) << log();
    }
    EXPECT_TRUE(spooled().empty());
}

TEST_F(HelperProcessTest, CapturesWhenAskedEvenForInputThatIsntJSON) {
    run({"--capture"}, "not json");
    auto captures = TempFolder::names(paths.captures());
    ASSERT_EQ(captures.size(), 1u);
    auto record = json::parse(TempFolder::read(paths.captures() + "/" + captures[0]));
    EXPECT_EQ(record["payload_text"], "not json");
    EXPECT_NE(log().find("stdin wasn't a JSON object (8 bytes)"), std::string::npos);

    environment["QUORVEL_CAPTURE"] = "1";
    run({}, stopPayload);
    EXPECT_EQ(TempFolder::names(paths.captures()).size(), 2u);
    for (const char* value : {"true", "yes", "01"}) {
        environment["QUORVEL_CAPTURE"] = value;
        run({}, stopPayload);
    }
    EXPECT_EQ(TempFolder::names(paths.captures()).size(), 2u);
}

TEST_F(HelperProcessTest, RepairsTextThatIsntUTF8InsteadOfDroppingTheEvent) {
    environment["TERM_PROGRAM"] = "term\xfe";
    run({}, "{\"hook_event_name\":\"Stop\",\"session_id\":\"abc\",\"cwd\":\"/tmp/\xff\"}");
    auto events = spooled();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].cwd, "/tmp/\xEF\xBF\xBD");
    EXPECT_EQ(events[0].termProgram, "term\xEF\xBF\xBD");
}

TEST_F(HelperProcessTest, ALoneSurrogateOrAHugeNumberCostsOnlyItsValueNotTheStop) {
    FakeEventServer server(accepted);
    serveEndpoint(server);
    // The agent's writer cut its message inside an emoji; a member it doesn't map holds a
    // number no double holds, and the duration one of ten thousand digits.
    run({}, R"({"hook_event_name":"Stop","session_id":"cut","last_assistant_message":"Done \ud83d",)"
            R"("prompt":"\udc00 again","tool_response":{"stdout":"\ud83d"},"usage":1e400,"duration_ms":)" +
                std::string(10'000, '9') + "}");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u) << log();
    const HookEvent stop = postedEvent(requests[0]);
    EXPECT_EQ(stop.event.text(), "Stop");
    EXPECT_EQ(stop.lastAssistantMessage, "Done \xEF\xBF\xBD");
    EXPECT_EQ(stop.promptFirstLine, "\xEF\xBF\xBD again");
    EXPECT_FALSE(stop.durationMs);
    EXPECT_EQ(log(), "");
}

TEST_F(HelperProcessTest, AnIdentifierTooLongToBeRealIsRefusedWithOneLogLine) {
    FakeEventServer server(accepted);
    serveEndpoint(server);
    for (int stop = 0; stop < 3; ++stop) {
        run({}, json::dump(json::Json{{"hook_event_name", "Stop"},
                                      {"session_id", std::string(3 * 1024 * 1024, static_cast<char>('a' + stop))}}));
    }
    run({}, json::dump(json::Json{{"hook_event_name", std::string(300, 'S')}, {"session_id", "s"}}));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(spooled().empty());
    const std::string line = " payload's session_id was too long to be real (3145728 bytes)\n";
    const std::string text = log();
    std::size_t lines = 0;
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++lines;
    EXPECT_EQ(lines, 3u) << log();
    EXPECT_TRUE(log().ends_with(" payload's hook_event_name was too long to be real (300 bytes)\n")) << log();

    // The longest real ones still go through, their texts cut as the mapping cuts texts.
    run({}, json::dump(json::Json{{"hook_event_name", "Stop"},
                                  {"session_id", std::string(HookEvent::identifierByteLimit, 's')},
                                  {"cwd", "/" + std::string(HookEvent::pathByteLimit - 1, 'c')},
                                  {"reason", std::string(3 * 1024 * 1024, 'r')}}));
    ASSERT_EQ(server.requests().size(), 1u) << log();
    const HookEvent stop = postedEvent(server.requests()[0]);
    EXPECT_EQ(stop.sessionID.size(), HookEvent::identifierByteLimit);
    EXPECT_EQ(stop.cwd->size(), HookEvent::pathByteLimit);
    EXPECT_EQ(stop.reason, std::string(HookEvent::shortTextLimit, 'r'));
}

TEST_F(HelperProcessTest, ShowsABannerWhenTheAppWontStart) {
    std::filesystem::create_directory(home / "bin");
    environment["QUORVEL_APP_EXECUTABLE"] = home / "no-such-app";
    environment["PATH"] = home / "bin";
    writeScript(home / "bin/notify-send", "for a in \"$@\"; do echo \"$a\"; done > \"$HOME/banner\"");

    run({}, stopPayload);
    EXPECT_EQ(awaitFile(home / "banner"),
              "--app-name=Quorvel\n--icon=quorvel\n--hint=string:desktop-entry:quorvel\n--\nQuorvel\nDONE. GO LOOK.\n");
    EXPECT_NE(log().find(" couldn't start the app\n"), std::string::npos);
    EXPECT_EQ(log().find("fallback failed"), std::string::npos);

    // A notifier that fails, or none at all.
    writeScript(home / "bin/notify-send", "exit 1");
    run({}, stopPayload);
    std::filesystem::remove(home / "bin/notify-send");
    run({}, stopPayload);
    std::string text = log();
    std::size_t failures = 0;
    for (auto at = text.find("notify-send fallback failed too\n"); at != std::string::npos;
         at = text.find("notify-send fallback failed too\n", at + 1)) {
        ++failures;
    }
    EXPECT_EQ(failures, 2u);

    // No banner for an event that doesn't call for one: only the launch line.
    std::filesystem::remove(paths.hookLog());
    run({}, R"({"hook_event_name":"UserPromptSubmit","session_id":"abc","prompt":"hi"})");
    EXPECT_TRUE(log().ends_with(" couldn't start the app\n")) << log();
    EXPECT_EQ(spooled().size(), 4u);
}

}  // namespace
}  // namespace quorvel
