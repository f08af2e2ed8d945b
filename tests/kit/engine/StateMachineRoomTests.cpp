#include <gtest/gtest.h>

#include "kit/engine/StateMachine.hpp"

namespace quorvel {
namespace {

constexpr double t0 = 1700000000;

HookEvent event(std::string name, double at, std::string session) {
    HookEvent result = HookEvent::make(std::move(name), std::move(session), at);
    result.cwd = "/work/site";
    return result;
}

HookEvent prompt(double at, std::string session, std::string firstLine) {
    HookEvent result = event("UserPromptSubmit", at, std::move(session));
    result.promptFirstLine = std::move(firstLine);
    result.isTaskNotification = false;
    return result;
}

std::string name(std::size_t index) { return "s" + std::to_string(index); }

TEST(StateMachineRoom, RunsStartedPastTheBoundAllFinishWithTitleAndDuration) {
    StateMachine machine;
    constexpr std::size_t count = 1200;
    for (std::size_t index = 0; index < count; ++index) {
        machine.handle(prompt(t0 + double(index), name(index), "run " + std::to_string(index)));
    }
    EXPECT_EQ(machine.sessions.size(), count);
    EXPECT_TRUE(machine.droppedSessions.empty());

    // Stopped in the order they started: the oldest activity is always a live run.
    std::size_t complete = 0;
    for (std::size_t index = 0; index < count; ++index) {
        const auto effects = machine.handle(event("Stop", t0 + 5000 + double(index), name(index)));
        ASSERT_EQ(effects.size(), 2u) << name(index);
        const FinishedRun* run = effects[1].asFinished();
        ASSERT_NE(run, nullptr);
        if (run->title == "run " + std::to_string(index) && run->duration == 5000.0) ++complete;
    }
    EXPECT_EQ(complete, count);
    EXPECT_TRUE(machine.droppedSessions.empty());
}

TEST(StateMachineRoom, OnlySettledSessionsMakeRoomOldestActivityFirst) {
    StateMachine machine;
    // The oldest sessions are in progress in every way: running, long run, needing the user,
    // and stopped with background tasks still running.
    machine.handle(prompt(t0, "running", "r"));
    machine.handle(prompt(t0, "long", "l"));
    machine.tick(Instant::fromUnixSeconds(t0 + 700));
    ASSERT_TRUE(machine.sessions.at("long").state.is(SessionState::Kind::longRun));
    machine.handle(prompt(t0 + 700, "running", "r"));
    HookEvent question = event("Notification", t0 + 701, "asking");
    question.notificationType = "permission_prompt";
    machine.handle(question);
    machine.handle(prompt(t0 + 702, "background", "b"));
    HookEvent waiting = event("Stop", t0 + 703, "background");
    waiting.backgroundTaskCount = 1;
    machine.handle(waiting);
    // Then a finished run, a crashed one and an idle session, from oldest to newest.
    machine.handle(prompt(t0 + 800, "done", "d"));
    machine.handle(event("Stop", t0 + 801, "done"));
    HookEvent failure = event("StopFailure", t0 + 802, "crashed");
    failure.error = "overloaded";
    machine.handle(failure);
    std::size_t index = 0;
    while (machine.sessions.size() < StateMachine::maxSessions) {
        machine.handle(prompt(t0 + 900 + double(index), name(index), "filler"));
        ++index;
    }
    machine.handle(event("SessionStart", t0 + 5000, "idle"));  // one past: the done one goes
    EXPECT_EQ(machine.droppedSessions, std::vector<std::string>{"done"});

    machine.handle(prompt(t0 + 5001, "new1", "n"));
    machine.handle(prompt(t0 + 5002, "new2", "n"));
    machine.handle(prompt(t0 + 5003, "new3", "n"));
    EXPECT_EQ(machine.droppedSessions, (std::vector<std::string>{"done", "crashed", "idle"}));
    EXPECT_EQ(machine.sessions.size(), StateMachine::maxSessions + 1) << "a just-started run is never the one to go";
    for (const char* live : {"running", "long", "asking", "background", "new1", "new2", "new3"}) {
        EXPECT_TRUE(machine.sessions.contains(live)) << live;
    }
    // A question the user dismissed leaves nothing in progress.
    machine.dismiss("asking");
    machine.handle(prompt(t0 + 6001, "new4", "n"));
    EXPECT_EQ(machine.droppedSessions.back(), "asking");
    EXPECT_EQ(machine.sessions.size(), StateMachine::maxSessions + 1);
}

TEST(StateMachineRoom, LiveSessionsGrowTheTableUpToTheHardBound) {
    StateMachine machine;
    for (std::size_t index = 0; index < StateMachine::hardMaxSessions; ++index) {
        machine.handle(prompt(t0 + double(index), name(index), "run"));
    }
    EXPECT_EQ(machine.sessions.size(), StateMachine::hardMaxSessions);
    EXPECT_TRUE(machine.droppedSessions.empty());

    // At the hard bound the least recently active of all goes, even when it is live.
    machine.handle(prompt(t0 - 100, name(0), "again"));  // s0 is active again, stamped oldest
    machine.handle(prompt(t0 + 20000, "newest", "run"));
    EXPECT_EQ(machine.sessions.size(), StateMachine::hardMaxSessions);
    EXPECT_EQ(machine.droppedSessions, std::vector<std::string>{name(0)});
    machine.handle(prompt(t0 + 20001, "newer", "run"));
    EXPECT_EQ(machine.droppedSessions, (std::vector<std::string>{name(0), name(1)}));
}

TEST(StateMachineRoom, ATableChangedFromOutsideStillMakesRoomRightly) {
    StateMachine machine;
    for (std::size_t index = 0; index < StateMachine::maxSessions; ++index) {
        machine.handle(prompt(t0 + double(index), name(index), "run"));
    }
    // The owner edits the table directly: the quietest session is now an idle one.
    machine.sessions.at(name(500)).state = SessionState::idle();
    machine.sessions.erase(name(0));
    machine.handle(prompt(t0 + 5000, "filler", "run"));
    machine.handle(prompt(t0 + 5001, "new", "run"));
    EXPECT_EQ(machine.droppedSessions, std::vector<std::string>{name(500)});
}

TEST(StateMachineRoom, AdoptedSessionsKeepTheirNumbersAndNewOnesFollow) {
    StateMachine machine;
    machine.handle(prompt(t0, "here", "r"));
    Session kept;
    kept.id = "kept";
    kept.number = 41;
    kept.state = SessionState::running(quorvel::Run{Instant::fromUnixSeconds(t0 - 100), "before the restart"});
    kept.run = quorvel::Run{Instant::fromUnixSeconds(t0 - 100), "before the restart"};
    kept.lastEventAt = Instant::fromUnixSeconds(t0 - 100);
    machine.adopt({kept});
    EXPECT_EQ(machine.sessions.at("kept"), kept);
    EXPECT_EQ(machine.nextNumber, 42);

    const auto effects = machine.handle(event("Stop", t0 + 50, "kept"));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[1].asFinished()->title, "before the restart");
    EXPECT_EQ(effects[1].asFinished()->duration, std::optional<double>(150.0));
    machine.handle(prompt(t0 + 60, "later", "r"));
    EXPECT_EQ(machine.sessions.at("later").number, 42);
}

}  // namespace
}  // namespace quorvel
