// The built helper as a process handed odd input: payloads of megabytes, text that isn't an
// event, JSON or UTF-8, identifiers too long to be real; and its simulated states and banner.
#include "tests/hook/HelperProcessTestbed.hpp"

namespace quorvel {
namespace {

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
