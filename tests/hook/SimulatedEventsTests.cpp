#include <gtest/gtest.h>

#include "hook/SimulatedEvents.hpp"
#include "kit/engine/StateMachine.hpp"

namespace quorvel {
namespace {

const Instant now = Instant::fromUnixSeconds(1796714910.5);

TEST(SimulatedEvents, EveryStateStartsWithTheSamePromptFourMinutesEarlier) {
    for (const char* state : {"running", "done", "needsyou", "broke", "crashed"}) {
        auto events = buildSimulatedEvents(state, now);
        ASSERT_FALSE(events.empty()) << state;
        EXPECT_EQ(events[0].event.text(), "UserPromptSubmit");
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

TEST(SimulatedEvents, EventsArePostedInTimeOrder) {
    for (const char* state : {"done", "needsyou", "broke", "crashed"}) {
        const auto events = buildSimulatedEvents(state, now);
        for (std::size_t index = 1; index < events.size(); ++index) {
            EXPECT_LT(events[index - 1].receivedAt, events[index].receivedAt) << state << " " << index;
        }
        EXPECT_EQ(events.back().receivedAt, now.unixSeconds()) << state;
    }
}

// What the device shows for each simulated state, fed through the state machine the app runs.
TEST(SimulatedEvents, TheStateMachineEndsInTheStateEachSimulationIsNamedFor) {
    const std::vector<std::pair<const char*, SessionState::Kind>> cases = {
        {"running", SessionState::Kind::running},   {"done", SessionState::Kind::done},
        {"needsyou", SessionState::Kind::needsYou}, {"broke", SessionState::Kind::broke},
        {"crashed", SessionState::Kind::crashed},
    };
    for (const auto& [state, kind] : cases) {
        StateMachine machine;
        std::vector<Alert::Kind> alerts;
        for (const HookEvent& event : buildSimulatedEvents(state, now)) {
            for (const Effect& effect : machine.handle(event)) {
                if (const Alert* alert = effect.asAlert()) alerts.push_back(alert->kind);
            }
        }
        ASSERT_EQ(machine.sessions.size(), 1u) << state;
        const Session& session = machine.sessions.at(std::string(simulatedSessionID));
        EXPECT_EQ(session.state.kind(), kind) << state;
        if (kind == SessionState::Kind::running) continue;

        // One alert, for the state itself; and nothing running is left to grind on, go long
        // or go stale later.
        EXPECT_EQ(alerts.size(), 1u) << state;
        EXPECT_FALSE(machine.hasBusySession()) << state;
        EXPECT_TRUE(machine.tick(Instant::fromUnixSeconds(now.unixSeconds() + 3600)).empty()) << state;
        EXPECT_EQ(machine.sessions.at(std::string(simulatedSessionID)).state.kind(), kind) << state;
    }
}

TEST(SimulatedEvents, BrokeShowsTheFailedCommand) {
    StateMachine machine;
    for (const HookEvent& event : buildSimulatedEvents("broke", now)) machine.handle(event);
    const auto* broke = machine.sessions.at(std::string(simulatedSessionID)).state.as<SessionState::Broke>();
    ASSERT_NE(broke, nullptr);
    EXPECT_EQ(broke->command, "npm test");
    EXPECT_EQ(broke->exitCode, std::optional<std::int64_t>(1));
}

TEST(SimulatedEvents, OtherNamesGiveNothing) {
    for (const char* name : {"Running", "needsYou", "", "idle", "done "}) {
        EXPECT_TRUE(buildSimulatedEvents(name, now).empty()) << name;
    }
}

}  // namespace
}  // namespace quorvel
