#include <gtest/gtest.h>

#include <regex>

#include "hook/Capture.hpp"
#include "platform/text/UnicodeText.hpp"
#include "tests/hook/TempFolder.hpp"

namespace quorvel {
namespace {

using testing::TempFolder;

const Instant captureTime = Instant::fromUnixSeconds(1796714910.1239);

struct Captured {
    std::string name;
    json::Json record;
    std::string text;
};

Captured capture(const TempFolder& home, std::string_view input, const HookEvent::Environment& environment = {},
                 const std::vector<std::string>& arguments = {"--capture"}) {
    std::string folder = home / "Library/Logs/Quorvel/captures";
    auto written = writeCapture(input, captureTime, arguments, environment, folder);
    EXPECT_TRUE(written) << (written ? "" : written.error().message);
    auto names = TempFolder::names(folder);
    EXPECT_EQ(names.size(), 1u);
    if (names.empty()) return {};
    std::string text = TempFolder::read(folder + "/" + names[0]);
    EXPECT_EQ(TempFolder::permissions(folder), 0700u);
    EXPECT_EQ(TempFolder::permissions(folder + "/" + names[0]), 0600u);
    return {names[0], json::parse(text), text};
}

TEST(Capture, RecordsAValidPayloadUnderItsEventName) {
    TempFolder home;
    auto captured = capture(home, R"({"session_id":"s","hook_event_name":"Stop","b":{"z":1,"a":"/x/y"}})",
                            {{"TERM_PROGRAM", "kitty"}, {"HOME", "/h"}});
    EXPECT_TRUE(std::regex_match(captured.name, std::regex(R"(1796714910123-Stop-[0-9A-F]{8}\.json)"))) << captured.name;
    EXPECT_EQ(captured.record["received_at"], "2026-12-08T07:28:30.123Z");
    EXPECT_EQ(captured.record["args"], json::Json::array({"--capture"}));
    EXPECT_EQ(captured.record["TERM_PROGRAM"], "kitty");
    EXPECT_TRUE(captured.record["CLAUDE_PROJECT_DIR"].is_null());
    EXPECT_EQ(captured.record["input_bytes"], 66);
    EXPECT_EQ(captured.record["payload"]["b"]["a"], "/x/y");
    EXPECT_FALSE(captured.record.contains("payload_text"));
    // Keys sorted at every level, indented, slashes as they are.
    EXPECT_LT(captured.text.find("\"CLAUDE_PROJECT_DIR\""), captured.text.find("\"TERM_PROGRAM\""));
    EXPECT_LT(captured.text.find("\"TERM_PROGRAM\""), captured.text.find("\"args\""));
    EXPECT_LT(captured.text.find("\"a\": \"/x/y\""), captured.text.find("\"z\""));
    EXPECT_LT(captured.text.find("\"hook_event_name\""), captured.text.find("\"session_id\""));
}

TEST(Capture, RecordsInputThatIsntJSONAsText) {
    TempFolder home;
    auto captured = capture(home, "not json \xff");
    EXPECT_TRUE(std::regex_match(captured.name, std::regex(R"(1796714910123-unknown-[0-9A-F]{8}\.json)")));
    EXPECT_EQ(captured.record["payload_text"], "not json \xEF\xBF\xBD");
    EXPECT_EQ(captured.record["input_bytes"], 10);
    EXPECT_FALSE(captured.record.contains("payload"));
}

// What the event's reader mends to keep the event is no JSON as written: the record keeps the
// input itself, not the mended copy.
TEST(Capture, KeepsInputTheEventsReaderMendsAsTheTextItWas) {
    const std::vector<std::string> mended = {
        R"({"hook_event_name":"Stop","session_id":"s","last_assistant_message":"Done \ud83d"})",
        R"({"hook_event_name":"Stop","session_id":"s","usage":1e400})",
        R"({"hook_event_name":"Stop","session_id":"s","duration_ms":)" + std::string(400, '9') + "}",
        "{\"hook_event_name\":\"Stop\",\"session_id\":\"s\",\"cwd\":\"/tmp/\xff\"}",
    };
    for (const std::string& input : mended) {
        TempFolder home;
        auto captured = capture(home, input);
        EXPECT_FALSE(captured.record.contains("payload")) << input;
        EXPECT_EQ(captured.record["payload_text"], text::repairedUtf8(input)) << input;
        EXPECT_EQ(captured.record["input_bytes"], input.size());
        EXPECT_NE(captured.name.find("-unknown-"), std::string::npos) << captured.name;
    }
    // A surrogate pair and a large number a double holds are JSON as written.
    TempFolder home;
    auto captured = capture(home, R"({"hook_event_name":"Stop","m":"\ud83d\ude00","n":1e300})");
    EXPECT_EQ(captured.record["payload"]["m"], "\xF0\x9F\x98\x80");
    EXPECT_EQ(captured.record["payload"]["n"], 1e300);
}

TEST(Capture, NamesOnlySafeEventNames) {
    const std::vector<std::string> unsafe = {
        R"({"hook_event_name":"../../../etc/passwd"})",
        R"({"hook_event_name":"a/b"})",
        R"({"hook_event_name":"a\u0000b"})",
        R"({"hook_event_name":"Stop\nStart"})",
        R"({"hook_event_name":")" + std::string(300, 'S') + R"("})",
        R"({"hook_event_name":7})",
        R"(["Stop"])",
    };
    for (const auto& input : unsafe) {
        TempFolder home;
        auto captured = capture(home, input);
        EXPECT_NE(captured.name.find("-unknown-"), std::string::npos) << input;
    }
}

TEST(Capture, RepairsEnvironmentValuesThatArentUTF8) {
    TempFolder home;
    auto captured = capture(home, "{}", {{"CLAUDE_PROJECT_DIR", "/home/\xc3"}}, {"--capture", "\xfe"});
    EXPECT_EQ(captured.record["CLAUDE_PROJECT_DIR"], "/home/\xEF\xBF\xBD");
    EXPECT_EQ(captured.record["args"][1], "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace quorvel
