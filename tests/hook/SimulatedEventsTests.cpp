#include <gtest/gtest.h>

#include "hook/SimulatedEvents.hpp"

namespace quorvel {
namespace {

const Instant now = Instant::fromUnixSeconds(1796714910.5);

TEST(SimulatedEvents, EveryStateStartsWithTheSamePromptFourMinutesEarlier) {
    for (const char* state : {"running", "done", "needsyou", "broke", "crashed"}) {
        auto events = buildSimulatedEvents(state, now);
        ASSERT_FALSE(events.empty()) << state;
        EXPECT_EQ(events[0].event, "UserPromptSubmit");
        EXPECT_EQ(events[0].receivedAt, now.unixSeconds() - 252);
        EXPECT_EQ(events[0].promptFirstLine, "Test the alarm");
        for (const HookEvent& event : events) {
            EXPECT_EQ(event.sessionID, "quorvel-simulated");
            EXPECT_EQ(event.termProgram, "Simulated");
        }
    }
    EXPECT_EQ(buildSimulatedEvents("running", now).size(), 1u);
    // A finished run with no background tasks: the count is present, not absent.
    EXPECT_EQ(buildSimulatedEvents("done", now).at(1).backgroundTaskCount, std::optional<std::int64_t>(0));
    EXPECT_EQ(buildSimulatedEvents("broke", now).at(1).durationMs, std::optional<std::int64_t>(4187));
}

TEST(SimulatedEvents, OtherNamesGiveNothing) {
    for (const char* name : {"Running", "needsYou", "", "idle", "done "}) {
        EXPECT_TRUE(buildSimulatedEvents(name, now).empty()) << name;
    }
}

}  // namespace
}  // namespace quorvel
