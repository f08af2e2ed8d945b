#include "kit/engine/StateMachine.hpp"

#include <gtest/gtest.h>

#include "tests/kit/engine/StateMachineEvents.hpp"

namespace quorvel::testing {
namespace {

TEST(StateMachineEvents, PromptThenStopFinishesOnceAsDone) {
    StateMachine machine;
    EXPECT_TRUE(machine.handle(prompt(t0, std::string(100, 'p'))).empty());
    EXPECT_EQ(session(machine).state, SessionState::running(quorvel::Run{at(t0), std::string(40, 'p')}));

    const auto effects = machine.handle(stop(t0 + 65));
    ASSERT_EQ(effects.size(), 2u);
    const Alert* alert = effects[0].asAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->kind, Alert::Kind::done);
    EXPECT_EQ(alert->headline, (CopyBook::Headline{"DONE.", "GO LOOK."}));
    EXPECT_EQ(alert->detail, "app \u00B7 " + std::string(40, 'p') + " \u00B7 1m 05s");
    EXPECT_EQ(alert->project, "app");
    EXPECT_EQ(alert->runTitle, std::string(40, 'p'));
    EXPECT_EQ(alert->duration, 65);
    const FinishedRun* finished = effects[1].asFinished();
    ASSERT_TRUE(finished);
    EXPECT_EQ(*finished, (FinishedRun{FinishedRun::Chip::claude, std::string(40, 'p'), 65.0, true, "app", "s1",
                                      at(t0 + 65), std::nullopt}));

    EXPECT_TRUE(machine.handle(stop(t0 + 70)).empty());
}

TEST(StateMachineEvents, StopWithoutRunFinishesWithoutTitleOrDuration) {
    StateMachine machine;
    const auto effects = machine.handle(stop(t0));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(session(machine).state, SessionState::done(std::nullopt, std::nullopt, std::nullopt));
    EXPECT_EQ(effects[0].asAlert()->runTitle, std::nullopt);
    EXPECT_EQ(effects[1].asFinished()->title, "");
    EXPECT_EQ(effects[1].asFinished()->duration, std::nullopt);
}

TEST(StateMachineEvents, DismissedDoneFinishesKeptRunAgain) {
    StateMachine machine;
    machine.handle(prompt(t0, "title"));
    machine.handle(stop(t0 + 10));
    machine.dismiss("s1");
    EXPECT_EQ(session(machine).state, SessionState::idle());
    const auto effects = machine.handle(stop(t0 + 50));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(session(machine).state, SessionState::done("title", 50.0, std::nullopt));
}

TEST(StateMachineEvents, BackgroundTasksHoldTheStop) {
    StateMachine machine;
    machine.handle(prompt(t0));
    EXPECT_EQ(machine.handle(stop(t0 + 5, 0)).size(), 2u);

    machine.handle(prompt(t0 + 10, "next"));
    EXPECT_TRUE(machine.handle(stop(t0 + 20, 2)).empty());
    EXPECT_EQ(session(machine).waitingOnBackgroundSince, at(t0 + 20));
    EXPECT_TRUE(session(machine).state.isBusy());
}

TEST(StateMachineEvents, RecentShellFailureTurnsStopIntoBroke) {
    struct Case {
        double failureAge;
        bool otherEventBetween;
        SessionState::Kind expected;
    };
    const std::vector<Case> cases = {
        {100, false, SessionState::Kind::broke},
        {120, false, SessionState::Kind::broke},
        {130, false, SessionState::Kind::done},
        {100, true, SessionState::Kind::done},
    };
    for (const auto& testCase : cases) {
        StateMachine machine;
        machine.handle(prompt(t0));
        const double stopAt = t0 + 500;
        const auto failureEffects = machine.handle(bashFailure(stopAt - testCase.failureAge));
        ASSERT_EQ(failureEffects.size(), 1u);
        EXPECT_EQ(*failureEffects[0].asFinished(),
                  (FinishedRun{FinishedRun::Chip::shell, "make", 1.5, false, "app", "s1",
                               at(stopAt - testCase.failureAge), "make: *** [all] Error 2"}));
        if (testCase.otherEventBetween) machine.handle(bash("PostToolUse", stopAt - 1, 10));
        const auto effects = machine.handle(stop(stopAt));
        ASSERT_EQ(effects.size(), 2u);
        EXPECT_EQ(session(machine).state.kind(), testCase.expected) << testCase.failureAge;
        EXPECT_FALSE(session(machine).unrecoveredFailure);
        if (testCase.expected == SessionState::Kind::broke) {
            EXPECT_EQ(session(machine).state, SessionState::broke("make", 2));
            EXPECT_EQ(effects[0].asAlert()->kind, Alert::Kind::broke);
            EXPECT_EQ(effects[0].asAlert()->detail, "app \u00B7 make \u00B7 exit 2");
            EXPECT_EQ(effects[1].asFinished()->ok, false);
            EXPECT_EQ(effects[1].asFinished()->duration, std::nullopt);
        }
    }
}

TEST(StateMachineEvents, InterruptedShellFailureRecordsNothingAndClearsFailure) {
    StateMachine machine;
    machine.handle(prompt(t0));
    machine.handle(bashFailure(t0 + 1));
    HookEvent interrupt = bashFailure(t0 + 2);
    interrupt.isInterrupt = true;
    EXPECT_TRUE(machine.handle(interrupt).empty());
    EXPECT_FALSE(session(machine).unrecoveredFailure);
}

TEST(StateMachineEvents, ShellCommandsListedFromTheMinimumUp) {
    const std::vector<std::pair<HookEvent, bool>> cases = {
        {bash("PostToolUse", t0, 10000), true},
        {bash("PostToolUse", t0, 9999), false},
        {bash("PostToolUse", t0, std::nullopt), false},
        {[] { auto e = bash("PostToolUse", t0, 60000); e.runInBackground = true; return e; }(), false},
        {[] { auto e = bash("PostToolUse", t0, 60000); e.toolName = "bash"; return e; }(), false},
    };
    for (const auto& [hook, listed] : cases) {
        StateMachine machine;
        const auto effects = machine.handle(hook);
        EXPECT_EQ(effects.size(), listed ? 1u : 0u) << hook.durationMs.value_or(-1);
        if (listed) {
            EXPECT_EQ(*effects[0].asFinished(), (FinishedRun{FinishedRun::Chip::shell, "make", 10.0, true, "app", "s1",
                                                             at(t0), std::nullopt}));
        }
    }
}

TEST(StateMachineEvents, StopFailureCrashesOnceUntilTheReasonChanges) {
    StateMachine machine;
    machine.handle(prompt(t0, "title"));
    HookEvent failure = event("StopFailure", t0 + 5);
    failure.error = "overloaded";
    auto effects = machine.handle(failure);
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(session(machine).state, SessionState::crashed("Claude is overloaded"));
    EXPECT_EQ(effects[0].asAlert()->kind, Alert::Kind::crashed);
    EXPECT_EQ(effects[0].asAlert()->headline.oneLine(), "CRASHED. NOT YOUR FAULT.");
    EXPECT_EQ(*effects[1].asFinished(), (FinishedRun{FinishedRun::Chip::claude, "title", std::nullopt, false, "app",
                                                     "s1", at(t0 + 5), std::nullopt}));
    EXPECT_TRUE(machine.handle(failure).empty());
    failure.error = "rate_limit";
    EXPECT_EQ(machine.handle(failure).size(), 2u);
}

TEST(StateMachineEvents, NeedsYouAlertsOnceAndToolUseResumes) {
    StateMachine machine;
    machine.handle(prompt(t0, "title"));
    auto effects = machine.handle(notification(t0 + 1, "permission_prompt"));
    ASSERT_EQ(effects.size(), 1u);
    EXPECT_EQ(session(machine).state, SessionState::needsYou("Claude needs you"));
    EXPECT_EQ(effects[0].asAlert()->detail, "app \u00B7 Claude needs you");
    EXPECT_TRUE(machine.handle(notification(t0 + 2, "permission_prompt")).empty());
    EXPECT_EQ(machine.handle(notification(t0 + 3, "elicitation_dialog", "Pick one")).size(), 1u);

    EXPECT_TRUE(machine.handle(notification(t0 + 4, "idle_prompt")).empty());
    EXPECT_EQ(session(machine).state, SessionState::needsYou("Pick one"));
    EXPECT_EQ(session(machine).lastEventAt, at(t0 + 4));

    machine.handle(bash("PostToolUse", t0 + 5, 10));
    EXPECT_EQ(session(machine).state, SessionState::running(quorvel::Run{at(t0), "title"}));
}

TEST(StateMachineEvents, PromptsStartOrResumeRuns) {
    StateMachine machine;
    machine.handle(prompt(t0, "first"));
    machine.sessions.at("s1").state = SessionState::longRun(*session(machine).run);
    machine.handle(prompt(t0 + 5, "second"));
    EXPECT_EQ(session(machine).state, SessionState::running(quorvel::Run{at(t0), "first"}));

    machine.handle(stop(t0 + 10));
    HookEvent task = event("UserPromptSubmit", t0 + 20);
    task.isTaskNotification = true;
    machine.handle(task);
    EXPECT_EQ(session(machine).state, SessionState::running(quorvel::Run{at(t0 + 20), "first"}));

    HookEvent untitled = event("UserPromptSubmit", t0 + 30);
    machine.handle(stop(t0 + 25));
    machine.handle(untitled);
    EXPECT_EQ(session(machine).state, SessionState::running(quorvel::Run{at(t0 + 30), ""}));
}

TEST(StateMachineEvents, SessionsAreNumberedAndRemovedOnEnd) {
    StateMachine machine;
    HookEvent first = prompt(t0);
    first.termProgram = "iTerm.app";
    machine.handle(first);
    HookEvent later = event("PreToolUse", t0 + 1);
    later.termProgram = "Apple_Terminal";
    later.cwd = "/elsewhere";
    machine.handle(later);
    EXPECT_EQ(session(machine).termProgram, "iTerm.app");
    EXPECT_EQ(session(machine).cwd, "/elsewhere");
    EXPECT_EQ(session(machine).number, 1);

    EXPECT_TRUE(machine.handle(event("SessionEnd", t0 + 2, "unknown")).empty());
    EXPECT_FALSE(machine.sessions.contains("unknown"));
    machine.handle(event("SessionEnd", t0 + 3));
    EXPECT_TRUE(machine.sessions.empty());
    machine.handle(event("SessionStart", t0 + 4));
    EXPECT_EQ(session(machine).number, 2);

    machine.handle(prompt(t0 + 5));
    HookEvent clear = event("SessionStart", t0 + 6);
    clear.source = "clear";
    machine.handle(clear);
    EXPECT_EQ(session(machine).state, SessionState::idle());
    EXPECT_FALSE(session(machine).run);
}

TEST(StateMachineEvents, AStopFailureFiredBeforeSessionEndButArrivingAfterItCrashesTheEndedRun) {
    StateMachine machine;
    machine.handle(prompt(t0, "run the tests"));
    machine.handle(bashFailure(t0 + 12));
    machine.handle(event("SessionEnd", t0 + 20.2));
    EXPECT_TRUE(machine.sessions.empty());

    HookEvent failure = event("StopFailure", t0 + 20.1);
    failure.error = "server_error";
    const auto effects = machine.handle(failure);
    ASSERT_EQ(effects.size(), 2u);
    ASSERT_TRUE(effects[0].asAlert());
    EXPECT_EQ(effects[0].asAlert()->kind, Alert::Kind::crashed);
    EXPECT_EQ(effects[0].asAlert()->runTitle, "run the tests");
    ASSERT_TRUE(effects[1].asFinished());
    EXPECT_EQ(effects[1].asFinished()->title, "run the tests");
    EXPECT_FALSE(effects[1].asFinished()->ok);
    // The session stays ended: no fresh session, no number used up.
    EXPECT_TRUE(machine.sessions.empty());
    EXPECT_EQ(machine.nextNumber, 2);
    EXPECT_FALSE(machine.hasBusySession());

    // An event stamped after the end is a new session's, as before.
    machine.handle(event("SessionStart", t0 + 20.5));
    EXPECT_EQ(session(machine).number, 2);
    EXPECT_EQ(session(machine).state, SessionState::idle());
}

TEST(StateMachineEvents, TheEndedSessionIsKeptOnlyForTheGrace) {
    StateMachine machine;
    machine.handle(prompt(t0));
    machine.handle(event("SessionEnd", t0 + 5));
    EXPECT_TRUE(machine.tick(at(t0 + 6.9)).empty());
    EXPECT_EQ(machine.endedSessions.size(), 1u);
    machine.tick(at(t0 + 5 + StateMachine::endedSessionGrace));
    EXPECT_TRUE(machine.endedSessions.empty());

    // Once forgotten, a late event makes a fresh session with no run, as without the grace.
    const auto effects = machine.handle(stop(t0 + 4));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(effects[0].asAlert()->runTitle, std::nullopt);
    EXPECT_EQ(session(machine).number, 2);

    // An event well after an end forgets it too.
    StateMachine other;
    other.handle(prompt(t0, "a", "x"));
    other.handle(event("SessionEnd", t0 + 1, "x"));
    other.handle(prompt(t0 + 3.5, "b", "y"));
    EXPECT_TRUE(other.endedSessions.empty());
}

TEST(StateMachineEvents, RunLengthThatIsNotANumberIsUnknown) {
    StateMachine machine;
    // Both times are finite (JSON can carry them) but their difference is not.
    machine.handle(prompt(-1.7e308, "title"));
    const auto effects = machine.handle(stop(1.7e308));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(session(machine).state, SessionState::done("title", std::nullopt, std::nullopt));
    EXPECT_EQ(effects[1].asFinished()->duration, std::nullopt);
    EXPECT_NO_THROW(effects[1].asFinished()->encode());
}

TEST(StateMachineEvents, AClockSetBackGivesLengthZeroNeverNegative) {
    StateMachine machine;
    machine.handle(prompt(t0, "title"));
    // The clock stepped back two days between the prompt and its Stop.
    const auto effects = machine.handle(stop(t0 - 172800));
    ASSERT_EQ(effects.size(), 2u);
    EXPECT_EQ(session(machine).state, SessionState::done("title", 0.0, std::nullopt));
    EXPECT_EQ(effects[1].asFinished()->duration, std::optional<double>(0.0));

    // A shell command that reports a negative length is listed as taking none.
    const auto failed = machine.handle(bash("PostToolUseFailure", t0, -5000));
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0].asFinished()->duration, std::optional<double>(0.0));
}

TEST(StateMachineEvents, TheTableKeepsAtMostItsBoundDroppingTheQuietestIdleSession) {
    StateMachine machine;
    // The oldest session is busy: it stays, and the oldest idle one makes room instead.
    machine.handle(prompt(t0, "busy", "busy"));
    for (std::size_t index = 1; index < StateMachine::maxSessions; ++index) {
        machine.handle(event("SessionStart", t0 + double(index), "idle" + std::to_string(index)));
    }
    ASSERT_EQ(machine.sessions.size(), StateMachine::maxSessions);
    EXPECT_TRUE(machine.droppedSessions.empty());

    machine.handle(event("SessionStart", t0 + 5000, "idle2"));  // known: nothing dropped
    machine.handle(event("SessionStart", t0 + 5001, "new"));
    EXPECT_EQ(machine.sessions.size(), StateMachine::maxSessions);
    EXPECT_EQ(machine.droppedSessions, std::vector<std::string>{"idle1"});
    EXPECT_TRUE(machine.sessions.contains("busy"));
    EXPECT_TRUE(machine.sessions.contains("new"));
    EXPECT_TRUE(machine.sessions.contains("idle2"));
}

}  // namespace
}  // namespace quorvel::testing
