#include "kit/engine/HookEvent.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace quorvel {
namespace {

const Instant arrival = Instant::fromUnixSeconds(1700000000.25);

std::optional<HookEvent> mapped(const json::Json& fields, const HookEvent::Environment& environment = {}) {
    json::Json payload = {{"hook_event_name", "Stop"}, {"session_id", "s1"}};
    payload.update(fields);
    return HookEvent::fromPayload(payload, arrival, environment);
}

std::string repeated(std::string_view piece, int count) {
    std::string result;
    for (int index = 0; index < count; ++index) result += piece;
    return result;
}

TEST(HookEventPayload, RefusesPayloadsWithoutUsableIdentity) {
    const std::vector<std::string> refused = {
        R"({"hook_event_name":"Stop"})",
        R"({"hook_event_name":"Stop","session_id":42})",
        R"({"hook_event_name":"Stop","session_id":""})",
        R"({"session_id":"s1"})",
        R"({"hook_event_name":7,"session_id":"s1"})",
        R"(["hook_event_name","session_id"])",
    };
    for (const auto& text : refused) {
        EXPECT_FALSE(HookEvent::fromPayload(json::parse(text), arrival, {})) << text;
    }
}

TEST(HookEventPayload, TakesRequiredFieldsTimeAndEnvironmentUnchanged) {
    auto event = HookEvent::fromPayload(json::parse(R"({"hook_event_name":"","session_id":"s1","cwd":"/w"})"),
                                        arrival, {{"TERM_PROGRAM", " iTerm.app "}, {"CLAUDE_PROJECT_DIR", "/p"}});
    ASSERT_TRUE(event);
    EXPECT_EQ(event->event, "");
    EXPECT_EQ(event->sessionID, "s1");
    EXPECT_EQ(event->receivedAt, 1700000000.25);
    EXPECT_EQ(event->termProgram, " iTerm.app ");
    EXPECT_EQ(event->projectDir, "/p");
    EXPECT_EQ(event->cwd, "/w");
    EXPECT_FALSE(event->promptFirstLine);
    EXPECT_FALSE(event->isTaskNotification);
}

struct PromptCase {
    std::string prompt;
    std::optional<bool> isTaskNotification;
    std::optional<std::string> firstLine;
};

TEST(HookEventPayload, PromptFirstLineAndTaskNotification) {
    const std::string longLine = repeated("x", 250);
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";  // one character, five code points
    const std::vector<PromptCase> cases = {
        {"   \n\r\n  ", false, ""},
        {"\n\n  <task-notification>done</task-notification>", true, std::nullopt},
        {"\n\nfirst line\nsecond line", false, "first line"},
        {"first\r\nsecond", false, "first"},
        {"\u00A0\u3000hello\u0085world", false, "hello"},
        {"one\u2028two", false, "one"},
        {"  spaced  \nnext", false, "spaced  "},
        {longLine, false, repeated("x", 200)},
        {repeated(family, 201), false, repeated(family, 200)},
    };
    for (const auto& testCase : cases) {
        auto event = mapped({{"prompt", testCase.prompt}});
        ASSERT_TRUE(event);
        EXPECT_EQ(event->isTaskNotification, testCase.isTaskNotification) << testCase.prompt;
        EXPECT_EQ(event->promptFirstLine, testCase.firstLine) << testCase.prompt;
    }
    EXPECT_FALSE(mapped({{"prompt", 5}})->isTaskNotification);
}

TEST(HookEventPayload, ErrorIsFirstNonEmptyLineUntrimmed) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Exit code 1\nline two\nline three", "Exit code 1"},
        {"", ""},
        {"\n\r\n", "\n\r\n"},
        {"\n  indented \nnext", "  indented "},
        {repeated("e", 300), repeated("e", 200)},
    };
    for (const auto& [error, expected] : cases) {
        EXPECT_EQ(mapped({{"error", error}})->error, expected) << error;
    }
}

TEST(HookEventPayload, LongTextsKeepFiveHundredCharacters) {
    auto event = mapped({{"last_assistant_message", repeated("a", 600)}, {"message", repeated("m", 501)}});
    EXPECT_EQ(event->lastAssistantMessage, repeated("a", 500));
    EXPECT_EQ(event->message, repeated("m", 500));
}

TEST(HookEventPayload, BackgroundTaskCountNeedsAnArray) {
    EXPECT_EQ(mapped({{"background_tasks", json::Json::array()}})->backgroundTaskCount, 0);
    EXPECT_EQ(mapped({{"background_tasks", {1, "two", nullptr}}})->backgroundTaskCount, 3);
    EXPECT_FALSE(mapped({{"background_tasks", 3}})->backgroundTaskCount);
    EXPECT_FALSE(mapped({{"background_tasks", {{"a", 1}}}})->backgroundTaskCount);
}

TEST(HookEventPayload, DurationIsWholeMillisecondsOrAbsent) {
    const std::vector<std::pair<std::string, std::optional<std::int64_t>>> cases = {
        {"4187.9", 4187},
        {"-4187.9", -4187},
        {"\"4187\"", std::nullopt},
        {"true", std::nullopt},
        {"9223372036854775807", INT64_MAX},
        {"-9223372036854775808", INT64_MIN},
        {"18446744073709551615", std::nullopt},
        {"9.3e18", std::nullopt},
        {"-9.3e18", std::nullopt},
        {"1e300", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        auto payload = json::parse(R"({"hook_event_name":"PostToolUse","session_id":"s","duration_ms":)" + text + "}");
        EXPECT_EQ(HookEvent::fromPayload(payload, arrival, {})->durationMs, expected) << text;
    }
    // Numbers that JSON text cannot carry may still reach the mapping from code.
    json::Json payload = {{"hook_event_name", "x"}, {"session_id", "s"}};
    payload["duration_ms"] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(HookEvent::fromPayload(payload, arrival, {})->durationMs);
    payload["duration_ms"] = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(HookEvent::fromPayload(payload, arrival, {})->durationMs);
}

TEST(HookEventPayload, ToolInputMustBeAnObject) {
    auto fromString = mapped({{"tool_input", "ls -la"}, {"tool_name", "Bash"}});
    EXPECT_EQ(fromString->toolName, "Bash");
    EXPECT_FALSE(fromString->command);
    EXPECT_FALSE(fromString->runInBackground);

    auto fromObject = mapped({{"tool_input", {{"command", repeated("c", 250)}, {"run_in_background", true}}}});
    EXPECT_EQ(fromObject->command, repeated("c", 200));
    EXPECT_EQ(fromObject->runInBackground, true);
}

TEST(HookEventPayload, WrongTypesLeaveFieldsAbsent) {
    auto event = mapped({{"cwd", 5},
                         {"is_interrupt", "true"},
                         {"notification_type", false},
                         {"reason", {1}},
                         {"source", nullptr},
                         {"tool_input", {{"command", 1}, {"run_in_background", "yes"}}}});
    EXPECT_EQ(*event, HookEvent::make("Stop", "s1", arrival.unixSeconds()));
}

TEST(HookEventPayload, IdentifiersTooLongToBeRealRefuseTheEventAndTextsAreBounded) {
    const std::string longest(HookEvent::identifierByteLimit, 's');
    EXPECT_TRUE(mapped({{"session_id", longest}, {"hook_event_name", longest}}));
    for (const char* key : {"session_id", "hook_event_name"}) {
        json::Json payload = {{"hook_event_name", "Stop"}, {"session_id", "s1"}};
        payload[key] = longest + "s";
        EXPECT_FALSE(HookEvent::fromPayload(payload, arrival, {})) << key;
        EXPECT_EQ(HookEvent::payloadRefusal(payload),
                  "payload's " + std::string(key) + " was too long to be real (257 bytes)");
    }
    EXPECT_EQ(HookEvent::payloadRefusal(json::parse(R"({"session_id":"s1"})")),
              "payload had no session_id or hook_event_name");

    const std::string path = "/" + std::string(HookEvent::pathByteLimit - 1, 'p');
    const std::string huge(3 * 1024 * 1024, 'x');
    // A letter under a hundred thousand combining marks is one character of 200,001 bytes.
    const std::string heavy = "a" + repeated("\xCC\x81", 100'000);
    auto event = mapped({{"cwd", path},
                         {"reason", huge},
                         {"source", huge},
                         {"tool_name", huge},
                         {"notification_type", huge},
                         {"message", heavy + "b"},
                         {"last_assistant_message", repeated("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", 600)}},
                        {{"TERM_PROGRAM", huge}, {"CLAUDE_PROJECT_DIR", path + "p"}});
    ASSERT_TRUE(event);
    EXPECT_EQ(event->cwd, path);
    EXPECT_FALSE(event->projectDir);
    const std::string cut(HookEvent::shortTextLimit, 'x');
    for (const auto* text : {&event->reason, &event->source, &event->toolName, &event->notificationType,
                             &event->termProgram}) {
        EXPECT_EQ(*text, cut);
    }
    // Whole characters while they fit; of one too large for the bound, whole code points.
    EXPECT_LE(event->message->size(), HookEvent::longTextLimit * HookEvent::bytesPerCharacter);
    EXPECT_TRUE(event->message->starts_with("a\xCC\x81"));
    EXPECT_EQ(event->message->size() % 2, 1u);
    EXPECT_EQ(event->lastAssistantMessage, repeated("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9", 500));
    EXPECT_FALSE(mapped({{"cwd", path + "p"}})->cwd);
}

TEST(HookEventJson, RequiredOnlyEventHasThreeMembersAndRoundTrips) {
    const HookEvent event = HookEvent::make("Stop", "s1", 1700000000.5);
    const json::Json encoded = event.encode();
    EXPECT_EQ(json::dump(encoded), R"({"event":"Stop","sessionID":"s1","receivedAt":1700000000.5})");
    EXPECT_EQ(HookEvent::decode(encoded), event);
}

TEST(HookEventJson, FullEventKeepsFieldOrderAndRoundTrips) {
    HookEvent event = HookEvent::make("PostToolUseFailure", "s1", 12.5);
    event.termProgram = "Apple_Terminal";
    event.projectDir = "/p";
    event.cwd = "/w";
    event.promptFirstLine = "";
    event.isTaskNotification = false;
    event.backgroundTaskCount = 2;
    event.lastAssistantMessage = "last";
    event.notificationType = "permission_prompt";
    event.message = "msg";
    event.error = "Exit code 1";
    event.isInterrupt = false;
    event.durationMs = -3;
    event.toolName = "Bash";
    event.command = "make";
    event.runInBackground = true;
    event.reason = "r";
    event.source = "clear";
    event.eventID = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
    event.bootSeconds = 3605.25;
    event.bootID = "0f9e4cf4-54b6-4c4a-9d39-1b4b8a3c0e11";
    const json::Json encoded = event.encode();
    std::vector<std::string> keys;
    for (auto member = encoded.begin(); member != encoded.end(); ++member) keys.push_back(member.key());
    const std::vector<std::string> expected = {
        "event", "sessionID", "receivedAt", "termProgram", "projectDir", "cwd", "promptFirstLine",
        "isTaskNotification", "backgroundTaskCount", "lastAssistantMessage", "notificationType", "message",
        "error", "isInterrupt", "durationMs", "toolName", "command", "runInBackground", "reason", "source",
        "eventID", "bootSeconds", "bootID"};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(HookEvent::decode(json::parse(json::dump(encoded))), event);
}

TEST(HookEventJson, DecodingIsStrictAboutTypesButIgnoresUnknownKeys) {
    EXPECT_THROW(HookEvent::decode(json::parse(R"({"event":"Stop","sessionID":"s"})")), json::JsonDecodeError);
    EXPECT_THROW(HookEvent::decode(json::parse(R"({"event":"Stop","sessionID":"s","receivedAt":1,"durationMs":"5"})")),
                 json::JsonDecodeError);
    EXPECT_THROW(
        HookEvent::decode(json::parse(R"({"event":"Stop","sessionID":"s","receivedAt":1,"backgroundTaskCount":1.5})")),
        json::JsonDecodeError);
    const auto lenient =
        HookEvent::decode(json::parse(R"({"event":"Stop","sessionID":"","receivedAt":1,"extra":[1],"cwd":null})"));
    EXPECT_EQ(lenient, HookEvent::make("Stop", "", 1));
}

TEST(HookEventJson, DecodingKeepsOnlyWhatIsBoundedAndIdentitiesThatAreUUIDs) {
    const auto decoded = [](json::Json fields) {
        json::Json object = {{"event", "Stop"}, {"sessionID", "s"}, {"receivedAt", 1}};
        object.update(fields);
        return HookEvent::decode(object);
    };
    for (const char* key : {"event", "sessionID"}) {
        try {
            decoded({{key, std::string(3 * 1024 * 1024, 'x')}});
            ADD_FAILURE() << key;
        } catch (const json::JsonDecodeError& error) {
            EXPECT_EQ(std::string(error.what()), std::string(key) + " is too long to be real (3145728 bytes)");
        }
    }
    for (const std::string& identity : {std::string(), std::string(60 * 1024, '7'), std::string("not-a-uuid"),
                                       std::string("6F9619FF-8B86-D011-B42D-00C04FC964FFX"),
                                       std::string("6F9619FF+8B86-D011-B42D-00C04FC964FF"),
                                       std::string("6F9619FF-8B86-D011-B42D-00C04FC964FG")}) {
        EXPECT_FALSE(decoded({{"eventID", identity}}).eventID) << identity.substr(0, 40);
    }
    EXPECT_EQ(decoded({{"eventID", "6f9619ff-8b86-d011-b42d-00c04fc964ff"}}).eventID,
              "6f9619ff-8b86-d011-b42d-00c04fc964ff");

    const HookEvent cut = decoded({{"reason", std::string(3 * 1024 * 1024, 'r')},
                                   {"cwd", std::string(HookEvent::pathByteLimit + 1, '/')},
                                   {"lastAssistantMessage", std::string(600, 'm')}});
    EXPECT_EQ(cut.reason, std::string(HookEvent::shortTextLimit, 'r'));
    EXPECT_FALSE(cut.cwd);
    EXPECT_EQ(cut.lastAssistantMessage, std::string(HookEvent::longTextLimit, 'm'));
    EXPECT_EQ(HookEvent::decode(cut.encode()), cut);
}

TEST(HookEventJson, ABootStampIsKeptOnlyWholeWithSecondsNotNegativeAndAUUIDForItsBoot) {
    const auto decoded = [](json::Json fields) {
        json::Json object = {{"event", "Stop"}, {"sessionID", "s"}, {"receivedAt", 1}};
        object.update(fields);
        return HookEvent::decode(object);
    };
    const std::string boot = "0f9e4cf4-54b6-4c4a-9d39-1b4b8a3c0e11";
    const HookEvent kept = decoded({{"bootSeconds", 0}, {"bootID", boot}});
    EXPECT_EQ(kept.bootSeconds, std::optional<double>(0));
    EXPECT_EQ(kept.bootID, boot);
    for (const json::Json& fields : {json::Json{{"bootSeconds", 12.5}}, json::Json{{"bootID", boot}},
                                     json::Json{{"bootSeconds", -1}, {"bootID", boot}},
                                     json::Json{{"bootSeconds", 12.5}, {"bootID", "boot one"}},
                                     json::Json{{"bootSeconds", 12.5}, {"bootID", std::string(60 * 1024, '7')}}}) {
        const HookEvent dropped = decoded(fields);
        EXPECT_FALSE(dropped.bootSeconds || dropped.bootID) << json::dump(fields).substr(0, 80);
    }
    // An older app's spool file, and an older helper's post, read as before.
    EXPECT_EQ(decoded(json::Json::object()), HookEvent::make("Stop", "s", 1));
}

}  // namespace
}  // namespace quorvel
