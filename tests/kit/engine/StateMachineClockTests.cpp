// The state machine between events: what the clock's ticks do to quiet and long runs, and
// the rows the device lists.
#include "kit/engine/StateMachine.hpp"

#include <gtest/gtest.h>

#include "tests/kit/engine/StateMachineEvents.hpp"

namespace quorvel::testing {
namespace {

TEST(StateMachineClock, LongRunAlertsOnceAtTheThreshold) {
    StateMachine machine;
    machine.handle(prompt(t0));
    EXPECT_TRUE(machine.tick(at(t0 + 599)).empty());
    const auto effects = machine.tick(at(t0 + 600));
    ASSERT_EQ(effects.size(), 1u);
    EXPECT_EQ(effects[0].asAlert()->kind, Alert::Kind::longRun);
    EXPECT_EQ(effects[0].asAlert()->detail, "app \u00B7 10m 00s and counting");
    EXPECT_EQ(effects[0].asAlert()->headline.oneLine(), "STILL GRINDING.");
    EXPECT_TRUE(machine.tick(at(t0 + 700)).empty());
    EXPECT_TRUE(session(machine).state.is(SessionState::Kind::longRun));
}

TEST(StateMachineClock, SilentSessionGoesIdleBeforeLongRun) {
    StateMachine machine;
    machine.handle(prompt(t0));
    EXPECT_TRUE(machine.tick(at(t0 + 1800)).empty());
    EXPECT_EQ(session(machine).state, SessionState::idle());
    EXPECT_TRUE(session(machine).run);
}

TEST(StateMachineClock, BackgroundSafetyNetFinishesWithNoteAndBlocksOtherRules) {
    StateMachine machine(StateMachineSettings{600, 1800, 3000, 10, 900, 120});
    machine.handle(prompt(t0, "title"));
    machine.handle(stop(t0 + 10, 1));
    EXPECT_TRUE(machine.tick(at(t0 + 2500)).empty());
    EXPECT_TRUE(session(machine).state.is(SessionState::Kind::running));

    const auto effects = machine.tick(at(t0 + 3010));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(session(machine).state, SessionState::done("title", 3010.0, "still running in background"));
    EXPECT_FALSE(session(machine).waitingOnBackgroundSince);
    EXPECT_EQ(effects[0].asAlert()->detail, "app \u00B7 title \u00B7 50m 10s \u00B7 still running in background");
}

TEST(StateMachineClock, TimeAsleepCountsForNoTimedRuleOfTheSessionsItPassedIn) {
    StateMachine machine;
    machine.handle(prompt(t0, "before", "slept"));
    machine.handle(prompt(t0, "waits", "waiting"));
    machine.handle(stop(t0 + 10, 1, "waiting"));
    machine.countTimeAsleep(7200);
    machine.handle(prompt(t0 + 7300, "after", "woke"));

    // Two hours of a closed lid: nobody's run is stale, long or past its safety net on waking.
    EXPECT_TRUE(machine.tick(at(t0 + 7300)).empty());
    EXPECT_TRUE(session(machine, "slept").state.is(SessionState::Kind::running));
    EXPECT_TRUE(session(machine, "waiting").waitingOnBackgroundSince);

    // Each rule then counts its own clock's awake time: the sleep is taken off only where it
    // passed, and the lengths told stay wall-clock.
    const auto slept = machine.tick(at(t0 + 7800));
    ASSERT_EQ(slept.size(), 1u);
    EXPECT_EQ(slept[0].asAlert()->sessionID, "slept");
    EXPECT_EQ(slept[0].asAlert()->kind, Alert::Kind::longRun);
    const auto waited = machine.tick(at(t0 + 7810));
    ASSERT_EQ(waited.size(), 2u);
    EXPECT_EQ(session(machine, "waiting").state, SessionState::done("waits", 7810.0, "still running in background"));
    EXPECT_TRUE(machine.tick(at(t0 + 7899)).empty());
    const auto woke = machine.tick(at(t0 + 7900));
    ASSERT_EQ(woke.size(), 1u);
    EXPECT_EQ(woke[0].asAlert()->sessionID, "woke");

    EXPECT_TRUE(machine.tick(at(t0 + 8999)).empty());
    EXPECT_TRUE(session(machine, "slept").state.is(SessionState::Kind::longRun));
    machine.tick(at(t0 + 9000));
    EXPECT_EQ(session(machine, "slept").state, SessionState::idle());
}

TEST(StateMachineClock, EffectsComeInSessionIdOrder) {
    StateMachine machine;
    for (const char* id : {"zeta", "alpha", "mid"}) machine.handle(prompt(t0, id, id));
    const auto effects = machine.tick(at(t0 + 600));
    ASSERT_EQ(effects.size(), 3u);
    EXPECT_EQ(effects[0].asAlert()->sessionID, "alpha");
    EXPECT_EQ(effects[1].asAlert()->sessionID, "mid");
    EXPECT_EQ(effects[2].asAlert()->sessionID, "zeta");
}

TEST(StateMachineClock, SaysWhetherATickChangedASessionEvenWithoutAnEffect) {
    StateMachine machine;
    machine.handle(prompt(t0));
    bool changed = true;
    EXPECT_TRUE(machine.tick(at(t0 + 5), &changed).empty());
    EXPECT_FALSE(changed);
    // Gone stale: idle, and nothing to tell the user.
    EXPECT_TRUE(machine.tick(at(t0 + 1800), &changed).empty());
    EXPECT_TRUE(changed);
    EXPECT_TRUE(machine.tick(at(t0 + 1805), &changed).empty());
    EXPECT_FALSE(changed);
}

TEST(StateMachineRows, FocusAndOrder) {
    StateMachine machine;
    machine.handle(prompt(t0, "needs", "a"));
    machine.sessions.at("a").state = SessionState::needsYou("m");
    machine.handle(prompt(t0 + 10, "done", "b"));
    machine.handle(stop(t0 + 20, std::nullopt, "b"));
    machine.handle(prompt(t0 + 30, "running", "c"));
    machine.handle(event("SessionStart", t0 + 40, "d"));

    EXPECT_EQ(machine.focusSession()->id, "a");
    EXPECT_TRUE(machine.hasBusySession());
    const auto rows = machine.runningRows(at(t0 + 100));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].id, "a");
    EXPECT_TRUE(rows[0].onScreen);
    EXPECT_EQ(rows[1].id, "b");
    EXPECT_EQ(rows[1].duration, 10);
    EXPECT_FALSE(rows[1].onScreen);
    EXPECT_EQ(rows[2].id, "c");
    EXPECT_EQ(rows[2].startedAt, at(t0 + 30));

    // A done session leaves the rows once it has lingered; the featured one is still chosen
    // over every session, so no row is on screen then.
    machine.dismiss("a");
    EXPECT_EQ(machine.focusSession()->id, "b");
    const auto later = machine.runningRows(at(t0 + 20 + 900));
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].id, "c");
    EXPECT_FALSE(later[0].onScreen);
}

TEST(StateMachineRows, TheFirstRowsAloneAreTheWholeListsHead) {
    // Many sessions sharing tiers and times: the ties must fall as in the whole list.
    StateMachine machine;
    for (int index = 0; index < 200; ++index) {
        const std::string id = "s" + std::to_string(index);
        machine.handle(prompt(t0 + index % 7, "run", id));
        if (index % 5 == 0) machine.handle(stop(t0 + 10 + index % 3, std::nullopt, id));
        if (index % 11 == 0) machine.handle(event("SessionStart", t0 + 20, "idle" + id));
    }
    const auto whole = machine.runningRows(at(t0 + 100));
    EXPECT_EQ(machine.runningRowCount(at(t0 + 100)), whole.size());
    for (const std::size_t limit : {std::size_t(0), std::size_t(1), std::size_t(3), whole.size(), whole.size() + 5}) {
        const auto head = machine.runningRows(at(t0 + 100), limit);
        ASSERT_EQ(head.size(), std::min(limit, whole.size()));
        EXPECT_EQ(head, std::vector<RunningRow>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(head.size())));
    }
}

TEST(StateMachineRows, IdleSessionsHaveNoRowsAndDismissLeavesBusyAlone) {
    StateMachine machine;
    EXPECT_FALSE(machine.focusSession());
    EXPECT_FALSE(machine.hasBusySession());
    machine.handle(event("SessionStart", t0));
    EXPECT_TRUE(machine.runningRows(at(t0)).empty());
    machine.handle(prompt(t0 + 1));
    machine.dismiss("s1");
    EXPECT_TRUE(session(machine).state.isBusy());
    machine.handle(bashFailure(t0 + 2));
    machine.handle(stop(t0 + 3));
    machine.dismiss("s1");
    EXPECT_EQ(session(machine).state, SessionState::idle());
    EXPECT_TRUE(session(machine).run);
}

}  // namespace
}  // namespace quorvel::testing
