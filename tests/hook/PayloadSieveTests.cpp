// The helper reads its payload as a stream and keeps only what the event uses: whatever it
// skips or cuts while reading, the event must be the one the whole payload makes.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "hook/HookInput.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/text/UnicodeText.hpp"
#include "tests/hook/TempFolder.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testing::TempFolder;

const Instant fixedNow = Instant::fromUnixSeconds(1796714910.123);
const HookEvent::Environment environment{{"TERM_PROGRAM", "kitty"}};

HookInput readThroughFile(const std::string& input, std::size_t cap = hookInputCap) {
    TempFolder folder;
    const std::string path = folder / "stdin";
    std::ofstream(path, std::ios::binary) << input;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    HookInput read = readHookInput(fd, 30s, cap);
    ::close(fd);
    return read;
}

std::optional<HookEvent> wholeEvent(const std::string& input) {
    const json::Json payload = json::parse(text::repairedUtf8(input));
    return HookEvent::fromPayload(payload, fixedNow, environment);
}

std::optional<HookEvent> sievedEvent(const std::string& input) {
    const HookInput read = readThroughFile(input);
    if (!read.payload) return std::nullopt;
    return HookEvent::fromPayload(*read.payload, fixedNow, environment);
}

std::string withPrompt(const std::string& prompt) {
    return json::dump(json::Json{{"hook_event_name", "UserPromptSubmit"}, {"session_id", "s"}, {"prompt", prompt}});
}

std::string withError(const std::string& error) {
    return json::dump(json::Json{{"hook_event_name", "StopFailure"}, {"session_id", "s"}, {"error", error}});
}

TEST(PayloadSieve, TheKeptMembersMakeTheSameEventAsTheWholePayload) {
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
    const std::vector<std::string> payloads = {
        withPrompt("fix the build   \nand then the tests"),
        withPrompt("trailing\t \u3000\r\nnext"),
        withPrompt("\n\n  <task-notification> done"),
        withPrompt(" <task-notification"),
        withPrompt("  \n\r\n "),
        withPrompt(""),
        withPrompt("\n\nfirst line\nsecond line"),
        withPrompt(std::string(250, 'p') + "\nrest"),
        withPrompt(std::string(199, 'p') + family + family + "   \nrest"),
        withPrompt(std::string(100'000, ' ') + "late start   " + std::string(100'000, ' ')),
        withError("Exit code 1\nmore\nlines"),
        withError(""),
        withError("\n\r\n\n"),
        withError(std::string(300, '\n')),
        withError("\n\n  indented first line  \nsecond"),
        withError(std::string(500, 'e')),
        R"({"hook_event_name":"Stop","session_id":"s","background_tasks":[]})",
        R"({"hook_event_name":"Stop","session_id":"s","background_tasks":[[1,2],{"a":[3]},null,"x"]})",
        R"({"hook_event_name":"Stop","session_id":"s","background_tasks":{"a":1}})",
        R"({"hook_event_name":"Stop","session_id":"s","background_tasks":3})",
        R"({"hook_event_name":"Stop","session_id":"s","duration_ms":4187.9,"is_interrupt":true})",
        R"({"hook_event_name":"Stop","session_id":"s","duration_ms":"4187","is_interrupt":1})",
        R"({"hook_event_name":"Stop","session_id":"s","duration_ms":18446744073709551615})",
        R"({"hook_event_name":"Stop","session_id":"s","duration_ms":-12})",
        R"({"hook_event_name":"PostToolUse","session_id":"s","tool_name":"Bash",)"
        R"("tool_input":{"command":"make","run_in_background":true,"nested":{"command":"no"}}})",
        R"({"hook_event_name":"PostToolUse","session_id":"s","tool_input":"make"})",
        R"({"hook_event_name":"PostToolUse","session_id":"s","tool_input":{"command":["make"]}})",
        R"({"hook_event_name":"PostToolUse","session_id":"s","tool_input":{"command":"a"},"tool_input":{"x":1}})",
        R"({"hook_event_name":"Stop","session_id":"first","session_id":"second","cwd":"/a","cwd":5})",
        R"({"hook_event_name":"Stop","session_id":"s","background_tasks":[1],"background_tasks":"many"})",
        R"({"hook_event_name":"Stop","session_id":"s","tool_input":{"run_in_background":true,"run_in_background":"y"}})",
        R"({"hook_event_name":"Stop","session_id":"s","is_interrupt":true,"is_interrupt":"no","duration_ms":1,"duration_ms":[]})",
        R"({"hook_event_name":"Stop","session_id":"s","prompt":"one","prompt":{"text":"two"}})",
        R"({"session_id":"s","nested":{"hook_event_name":"Stop"}})",
        R"({"hook_event_name":"Stop","session_id":""})",
        R"({"hook_event_name":"","session_id":"s","reason":"clear","source":"resume",)"
        R"("notification_type":"idle_prompt","message":"waiting"})",
        "{\"hook_event_name\":\"Stop\",\"session_id\":\"s\",\"cwd\":\"/tmp/\xff\xfe\",\"message\":\"\xe2\x82\"}",
        json::dump(json::Json{{"hook_event_name", "Stop"}, {"session_id", "s"},
                              {"last_assistant_message", std::string(600, 'a') + family},
                              {"message", std::string(498, 'b') + family + family + family}}),
        json::dump(json::Json{{"hook_event_name", "PostToolUse"}, {"session_id", "s"},
                              {"tool_input", {{"command", std::string(300, 'c')}}},
                              {"tool_response", {{"stdout", std::string(3'000'000, 'o')}}}}),
    };
    for (const std::string& payload : payloads) {
        SCOPED_TRACE(payload.substr(0, 160));
        EXPECT_EQ(sievedEvent(payload), wholeEvent(payload));
    }
}

TEST(PayloadSieve, TextSplitAcrossReadsIsRepairedAsAWhole) {
    // A four-byte character, a cut one and a stray byte placed over each position around the
    // boundary of the 64 KiB reads.
    for (const std::string& piece : {std::string("\xF0\x9F\x91\xA8"), std::string("\xF0\x9F\x91"),
                                    std::string("\xE2\x82" "a"), std::string("\xFF")}) {
        for (std::size_t before = 65530; before <= 65537; ++before) {
            const std::string prefix = R"({"hook_event_name":"Stop","session_id":"s","cwd":")";
            const std::string payload =
                prefix + std::string(before - prefix.size(), 'd') + piece + R"(","message":"m)" + piece + R"("})";
            SCOPED_TRACE(before);
            const auto sieved = sievedEvent(payload);
            ASSERT_TRUE(sieved);
            EXPECT_EQ(sieved, wholeEvent(payload));
        }
    }
}

TEST(PayloadSieve, ALoneSurrogateOrANumberTooLargeCostsOnlyItsValue) {
    struct Case {
        std::string input;
        // The same payload as the reader takes it: the escape as U+FFFD, the number as absent.
        std::string meaning;
    };
    const std::string stop = R"({"hook_event_name":"Stop","session_id":"s",)";
    const std::string huge = std::string(10'000, '7');
    const std::vector<Case> cases = {
        {stop + R"("last_assistant_message":"Done \ud83d"})", stop + R"("last_assistant_message":"Done \ufffd"})"},
        {stop + R"("message":"\ud83d\ud83d\ude00\ud83d\n\udc00x"})",
         stop + R"("message":"\ufffd\ud83d\ude00\ufffd\n\ufffdx"})"},
        {stop + R"("prompt":"fix \udbff"})", stop + R"("prompt":"fix \ufffd"})"},
        {stop + R"("tool_response":{"stdout":"\ud83d","\udc00":1},"\ud800":2})", stop + R"("a":3})"},
        {stop + R"("last_assistant_message":"\ud83d\u0041\ud83d\")" + "\"}",
         stop + R"("last_assistant_message":"\ufffdA\ufffd\")" + "\"}"},
        {stop + R"("duration_ms":1e400})", stop + R"("x":0})"},
        {stop + R"("duration_ms":-)" + huge + "}", stop + R"("x":0})"},
        {stop + R"("duration_ms":)" + huge + ".5e-9990}", stop + R"("duration_ms":7777777777})"},
        {stop + R"("duration_ms":1e-400})", stop + R"("duration_ms":0})"},
        {stop + R"("background_tasks":[1e400,)" + huge + R"(,{"n":-1E+999}]})", stop + R"("background_tasks":[0,0,0]})"},
        {stop + R"("usage":{"tokens":)" + huge + R"(},"cost":[1e400]})", stop + R"("usage":0})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input.substr(0, 160));
        const auto sieved = sievedEvent(c.input);
        ASSERT_TRUE(sieved);
        EXPECT_EQ(sieved, wholeEvent(c.meaning));
        const auto whole = parseHookInput(c.input);
        ASSERT_TRUE(whole);
        EXPECT_EQ(HookEvent::fromPayload(*whole, fixedNow, environment), sieved);
    }
    // Whatever the reader refused for another reason it still refuses.
    for (const std::string& input : {stop + R"("m":"\ud83"})", stop + R"("m":"\ud83d\u12"})", stop + R"("n":01})",
                                    stop + R"("n":1.})", stop + R"("n":-})", stop + R"("n":1e400)"}) {
        EXPECT_FALSE(readThroughFile(input).payload) << input;
        EXPECT_FALSE(parseHookInput(input)) << input;
    }
}

TEST(PayloadSieve, AnEscapeOrNumberSplitAcrossReadsIsRepairedAsAWhole) {
    for (const std::string& piece : {std::string(R"(\ud83d\ude00)"), std::string(R"(\ud83d)"), std::string(R"(\u00e9)")}) {
        for (std::size_t before = 65528; before <= 65537; ++before) {
            const std::string prefix = R"({"hook_event_name":"Stop","session_id":"s","message":")";
            const std::string payload = prefix + std::string(before - prefix.size(), 'd') + piece + R"(","x":1e400})";
            SCOPED_TRACE(before);
            const auto sieved = sievedEvent(payload);
            ASSERT_TRUE(sieved);
            EXPECT_EQ(sieved, HookEvent::fromPayload(*parseHookInput(payload), fixedNow, environment));
        }
    }
}

TEST(PayloadSieve, ALongPayloadKeepsItsHeadAndOnlyWhatTheEventUses) {
    const std::string payload =
        json::dump(json::Json{{"hook_event_name", "Stop"}, {"session_id", "s"},
                              {"last_assistant_message", std::string(3'000'000, 'a')},
                              {"transcript", json::Json::array({std::string(500'000, 't'), 1, 2})}});
    const HookInput read = readThroughFile(payload);
    ASSERT_TRUE(read.payload);
    EXPECT_EQ(read.head, payload.substr(0, hookInputCap));
    EXPECT_EQ(read.bytesRead, payload.size());
    EXPECT_FALSE(read.stillOpen);
    EXPECT_LT(json::dump(*read.payload).size(), 1000u);
    EXPECT_FALSE(read.payload->contains("transcript"));
}

TEST(PayloadSieve, InputThatIsntOneObjectHasNoPayloadAndIsReadUpToTheCap) {
    for (const std::string input : {"", "[1]", "\"text\"", "12", "null", "{\"a\":", "{}x", "{} {}", "{\"a\":1,}"}) {
        const HookInput read = readThroughFile(input);
        EXPECT_FALSE(read.payload) << input;
        EXPECT_EQ(read.head, input);
    }
    EXPECT_TRUE(readThroughFile("{} \n\t").payload);
    // Refused at the first byte, but counted as far as the cap.
    const HookInput long_ = readThroughFile(std::string(100, 'x'), 40);
    EXPECT_FALSE(long_.payload);
    EXPECT_EQ(long_.head.size(), 40u);
}

TEST(PayloadSieve, AnInputLeftOpenEndsAtTheDeadline) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC), 0);
    ASSERT_EQ(::write(pipeEnds[1], "{\"a\":", 5), 5);
    const auto start = std::chrono::steady_clock::now();
    const HookInput read = readHookInput(pipeEnds[0], 200ms);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_TRUE(read.stillOpen);
    EXPECT_FALSE(read.payload);
    EXPECT_EQ(read.bytesRead, 5u);
    EXPECT_EQ(read.head, "{\"a\":");
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

}  // namespace
}  // namespace quorvel
