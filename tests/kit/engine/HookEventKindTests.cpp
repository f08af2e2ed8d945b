#include "kit/engine/HookEventKind.hpp"

#include <gtest/gtest.h>

#include "kit/engine/HookEvent.hpp"

namespace quorvel {
namespace {

TEST(HookEventKind, TheAgentsNamesParseToTheirKindsAndBack) {
    const std::vector<std::pair<std::string_view, HookEventKind>> named = {
        {"SessionStart", HookEventKind::sessionStart},
        {"UserPromptSubmit", HookEventKind::userPromptSubmit},
        {"Stop", HookEventKind::stop},
        {"StopFailure", HookEventKind::stopFailure},
        {"Notification", HookEventKind::notification},
        {"PostToolUse", HookEventKind::postToolUse},
        {"PostToolUseFailure", HookEventKind::postToolUseFailure},
        {"SessionEnd", HookEventKind::sessionEnd},
    };
    ASSERT_EQ(named.size(), namedHookEventKinds.size());
    for (const auto& [name, kind] : named) {
        EXPECT_EQ(hookEventKindNamed(name), kind) << name;
        EXPECT_EQ(agentNameOf(kind), name);
    }
    // Compared exactly, as the agent spells them.
    using namespace std::string_view_literals;
    for (std::string_view other : {""sv, "stop"sv, "STOP"sv, "Stop "sv, " Stop"sv, "PreToolUse"sv, "Stop\0x"sv}) {
        EXPECT_EQ(hookEventKindNamed(other), HookEventKind::other) << other;
    }
    EXPECT_EQ(agentNameOf(HookEventKind::other), "");
}

TEST(HookEventKind, AnEventsKindFollowsItsNameWhereverTheNameIsSet) {
    HookEvent event = HookEvent::make("Stop", "s1", 1);
    EXPECT_EQ(event.kind(), HookEventKind::stop);
    event.event = "SessionEnd";
    EXPECT_EQ(event.kind(), HookEventKind::sessionEnd);
    event.event = std::string("PreToolUse");
    EXPECT_EQ(event.kind(), HookEventKind::other);
    EXPECT_EQ(event.event.text(), "PreToolUse");
    event.event = HookEventName(HookEventKind::stopFailure);
    EXPECT_EQ(event.event.text(), "StopFailure");
    EXPECT_EQ(event.kind(), HookEventKind::stopFailure);
    EXPECT_EQ(HookEvent().kind(), HookEventKind::other);

    const auto mapped = HookEvent::fromPayload(
        json::parse(R"({"hook_event_name":"UserPromptSubmit","session_id":"s1"})"), Instant::fromUnixSeconds(1), {});
    ASSERT_TRUE(mapped);
    EXPECT_EQ(mapped->kind(), HookEventKind::userPromptSubmit);
    const HookEvent decoded =
        HookEvent::decode(json::parse(R"({"event":"Notification","sessionID":"s1","receivedAt":1})"));
    EXPECT_EQ(decoded.kind(), HookEventKind::notification);
}

TEST(HookEventKind, AnUnknownNameTravelsThroughTheJsonFormUnchanged) {
    const HookEvent event = HookEvent::make("PreCompact", "s1", 2.5);
    const std::string written = json::dump(event.encode());
    EXPECT_EQ(written, R"({"event":"PreCompact","sessionID":"s1","receivedAt":2.5})");
    const HookEvent read = HookEvent::decode(json::parse(written));
    EXPECT_EQ(read, event);
    EXPECT_EQ(read.event.text(), "PreCompact");
    EXPECT_EQ(read.kind(), HookEventKind::other);
}

}  // namespace
}  // namespace quorvel
