// Hook events, ticks and the effects they have.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/stores/FinishedStore.hpp"
#include "tests/app/model/AppModelTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::settle;

void writeSpooled(const AppModelTestbed& bed, const HookEvent& event, const std::string& name) {
    bed.spool(event, name);
}

TEST(AppModelEventsTests, ALiveDoneRunIsKeptSavedSoundedShownAndRouted) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    testing::SignalCounter machineChanged(model.sessions(), &SessionsPart::machineChanged);

    bed.finishRun("s1");
    settle();

    EXPECT_EQ(machineChanged.count(), 2);
    ASSERT_EQ(model.sessions().finished().size(), 1u);
    EXPECT_EQ(model.sessions().finished()[0].title, "fix the build");
    EXPECT_EQ(FinishedStore(bed.appSupport()).load(), model.sessions().finished());
    ASSERT_EQ(bed.recorded.sounds.size(), 1u);
    EXPECT_EQ(bed.recorded.sounds[0].first, "fanfare");
    EXPECT_NEAR(bed.recorded.sounds[0].second, 0.82 * 0.82, 1e-9);
    ASSERT_EQ(bed.recorded.banners.size(), 1u);
    EXPECT_EQ(bed.recorded.banners[0].threadIdentifier, "s1");
    // At the desk: the router keeps it off the phone and says why.
    EXPECT_TRUE(bed.recorded.pushes.empty());
    EXPECT_EQ(model.phone().lastPushReport().rfind("No push for done: you're at the computer (9:41", 0), 0u) << model.phone().lastPushReport();
}

TEST(AppModelEventsTests, OnlyANeedsYouBannerIsTakenBackAndOnlyOnceItsSessionMovesOn) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    HookEvent needsYou = bed.event("Notification", "s1");
    needsYou.notificationType = "permission_prompt";
    model.sessions().handleHookEvent(bed.event("UserPromptSubmit", "s1"), true);
    model.sessions().handleHookEvent(needsYou, true);
    settle();
    ASSERT_EQ(bed.recorded.banners.size(), 1u);
    // A tick changes nothing it says.
    model.sessions().tick();
    settle();
    EXPECT_TRUE(bed.recorded.bannersRemoved.empty());
    // The user answered: the agent works on.
    model.sessions().handleHookEvent(bed.event("PostToolUse", "s1"), true);
    EXPECT_EQ(bed.recorded.bannersRemoved, std::vector<std::string>{bed.recorded.banners[0].identifier});

    // Answered before its banner went out: none.
    needsYou.sessionID = "s2";
    model.sessions().handleHookEvent(bed.event("UserPromptSubmit", "s2"), true);
    model.sessions().handleHookEvent(needsYou, true);
    model.sessions().handleHookEvent(bed.event("PostToolUse", "s2"), true);
    settle();
    EXPECT_EQ(bed.recorded.banners.size(), 1u);

    // Done and crashed banners stay whatever follows: SEEN IT, the next prompt (before the
    // banner went out, too), the session's end, a Stop after that end.
    bed.finishRun("s3");
    settle();
    model.sessions().dismiss("s3");
    bed.finishRun("s4");
    model.sessions().handleHookEvent(bed.event("UserPromptSubmit", "s4"), true);
    settle();
    model.sessions().handleHookEvent(bed.event("UserPromptSubmit", "s5", 30), true);
    model.sessions().handleHookEvent(bed.event("StopFailure", "s5"), true);
    model.sessions().handleHookEvent(bed.event("SessionEnd", "s5"), true);
    model.sessions().handleHookEvent(bed.event("UserPromptSubmit", "s6", 30), true);
    model.sessions().handleHookEvent(bed.event("SessionEnd", "s6"), true);
    model.sessions().handleHookEvent(bed.event("Stop", "s6", 1), true);
    settle();
    model.sessions().tick();
    settle();
    std::vector<std::string> kept;
    for (std::size_t index = 1; index < bed.recorded.banners.size(); ++index) {
        kept.push_back(bed.recorded.banners[index].threadIdentifier + " " + bed.recorded.banners[index].title);
    }
    EXPECT_EQ(kept, (std::vector<std::string>{"s3 DONE. GO LOOK.", "s4 DONE. GO LOOK.", "s5 CRASHED. NOT YOUR FAULT.",
                                              "s6 DONE. GO LOOK."}));
    EXPECT_EQ(bed.recorded.bannersRemoved.size(), 1u);
}

TEST(AppModelEventsTests, SpooledEventsCountAsLiveOnlyWhileRecent) {
    struct Case {
        const char* name;
        double secondsAgo;
        bool live;
    };
    const Case cases[] = {
        {"599 seconds old", 599, true},
        {"600 seconds old", 600, false},
        {"an hour old", 3600, false},
        {"stamped in the future", -120, true},
    };
    for (const Case& c : cases) {
        AppModelTestbed bed;
        AppModel& model = bed.make();
        model.device().setFloppyPutBack(true);
        bed.finishRun("s1", c.secondsAgo, 30, false);
        settle();
        EXPECT_EQ(bed.soundNames(), c.live ? std::vector<std::string>{"fanfare"} : std::vector<std::string>{})
            << c.name;
        EXPECT_EQ(bed.recorded.banners.size(), c.live ? 1u : 0u) << c.name;
        // Whatever its age: the run is kept and the floppy comes out.
        EXPECT_EQ(model.sessions().finished().size(), 1u) << c.name;
        EXPECT_FALSE(model.device().floppyPutBack()) << c.name;
    }
}

TEST(AppModelEventsTests, ATypedPromptClearsTheRoutersMemoryOfItsSessionOnly) {
    struct Case {
        const char* name;
        std::optional<bool> isTaskNotification;
        bool forgotten;
    };
    const Case cases[] = {
        {"flag absent", std::nullopt, true},
        {"flag false", false, true},
        {"task notification", true, false},
    };
    for (const Case& c : cases) {
        AppModelTestbed bed;
        AppModel& model = bed.make();
        AppSettings settings = model.settings();
        settings.alwaysPushToPhone = true;
        model.setSettings(settings);
        bed.finishRun("s1");
        bed.finishRun("s2");
        settle();
        ASSERT_EQ(bed.recorded.pushes.size(), 2u) << c.name;

        HookEvent prompt = bed.event("UserPromptSubmit", "s1");
        prompt.isTaskNotification = c.isTaskNotification;
        model.sessions().handleHookEvent(prompt, true);
        EXPECT_EQ(!AppModelTestAccess::router(model).lastSent.contains("s1"), c.forgotten) << c.name;
        EXPECT_TRUE(AppModelTestAccess::router(model).lastSent.contains("s2")) << c.name;
    }
}

/// `count` finished runs of an earlier session, newest ("run 0") first.
std::vector<FinishedRun> storedRuns(int count) {
    std::vector<FinishedRun> stored;
    for (int index = 0; index < count; ++index) {
        FinishedRun run;
        run.title = "run " + std::to_string(index);
        run.sessionID = "old";
        run.finishedAt = Instant::fromReferenceSeconds(1000.0 - index);
        stored.push_back(run);
    }
    return stored;
}

TEST(AppModelEventsTests, TheFinishedListKeepsTheNewestFiftyAndIsSavedOnEachRun) {
    AppModelTestbed bed;
    FinishedStore(bed.appSupport()).save(storedRuns(50));
    AppModel& model = bed.make();
    ASSERT_EQ(model.sessions().finished().size(), 50u);

    bed.finishRun("s1");
    ASSERT_EQ(model.sessions().finished().size(), 50u);
    EXPECT_EQ(model.sessions().finished().front().title, "fix the build");
    EXPECT_EQ(model.sessions().finished()[1].title, "run 0");
    EXPECT_EQ(model.sessions().finished().back().title, "run 48");
    EXPECT_EQ(FinishedStore(bed.appSupport()).load(), model.sessions().finished());
}

TEST(AppModelEventsTests, AStoredListLongerThanTheCapIsCutWhenLoaded) {
    AppModelTestbed bed;
    FinishedStore(bed.appSupport()).save(storedRuns(70));
    AppModel& model = bed.make();
    ASSERT_EQ(model.sessions().finished().size(), SessionsPart::finishedCap);
    EXPECT_EQ(model.sessions().finished().front().title, "run 0");
    EXPECT_EQ(model.sessions().finished().back().title, "run 49");
}

TEST(AppModelEventsTests, WhileMutedThereIsNoSoundBannerOrLiveActivityButThePushDecisionStillRuns) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    model.device().setMuted(true);
    bed.recorded.screenEvents(ScreenStateMonitor::Event::screenLocked);
    const std::size_t reconcilesBefore = bed.recorded.reconciles.size();

    bed.finishRun("s1");
    settle();
    model.sessions().tick();
    settle();

    EXPECT_TRUE(bed.recorded.sounds.empty());
    EXPECT_TRUE(bed.recorded.banners.empty());
    EXPECT_EQ(bed.recorded.reconciles.size(), reconcilesBefore);
    EXPECT_TRUE(bed.recorded.pushes.empty());
    EXPECT_EQ(model.phone().lastPushReport().rfind("No push for done: muted (", 0), 0u) << model.phone().lastPushReport();
    EXPECT_EQ(model.sessions().finished().size(), 1u);
    EXPECT_EQ(FinishedStore(bed.appSupport()).load().size(), 1u);
}

TEST(AppModelEventsTests, EveryBatchSetsKeepAwakeAndReconcilesLiveActivities) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    bed.recorded.idleSeconds = 600;

    model.sessions().tick();
    ASSERT_EQ(bed.recorded.reconciles.size(), 1u);
    EXPECT_TRUE(bed.recorded.reconciles[0].sessionIDs.empty());
    EXPECT_TRUE(bed.recorded.reconciles[0].away);
    EXPECT_EQ(bed.recorded.holdsKept, 0);

    HookEvent prompt = bed.event("UserPromptSubmit", "s2");
    prompt.promptFirstLine = "go";
    // A run of events is weighed once, after its last event.
    model.sessions().handleHookEvent(prompt, true);
    model.sessions().handleHookEvent(bed.event("UserPromptSubmit", "s1"), true);
    EXPECT_EQ(bed.recorded.reconciles.size(), 1u);
    settle();
    EXPECT_EQ(bed.recorded.holdsKept, 1);
    EXPECT_EQ(bed.recorded.holdsTaken, 1);
    ASSERT_EQ(bed.recorded.reconciles.size(), 2u);
    EXPECT_EQ(bed.recorded.reconciles.back().sessionIDs, (std::vector<std::string>{"s1", "s2"}));

    model.sessions().handleHookEvent(bed.event("Stop", "s1"), true);
    model.sessions().handleHookEvent(bed.event("Stop", "s2"), true);
    settle();
    EXPECT_EQ(bed.recorded.holdsKept, 0);
    EXPECT_EQ(bed.recorded.reconciles.size(), 3u);
}

TEST(AppModelEventsTests, ThePhoneIsSyncedOnThirtySixTicksInARowThenOnEveryThird) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    std::vector<int> syncedOnTick;
    for (int tick = 1; tick <= 45; ++tick) {
        bed.recorded.syncCalls.clear();
        model.sessions().tick();
        settle();
        if (std::count(bed.recorded.syncCalls.begin(), bed.recorded.syncCalls.end(), "fetchChanges") == 1) {
            syncedOnTick.push_back(tick);
        }
    }
    std::vector<int> expected;
    for (int tick = 1; tick <= 36; ++tick) expected.push_back(tick);
    for (int tick : {39, 42, 45}) expected.push_back(tick);
    EXPECT_EQ(syncedOnTick, expected);
    EXPECT_EQ(AppModelTestAccess::attentiveTicks(model), 0);
}

TEST(AppModelEventsTests, SpooledEventsAreDrainedAtStartAndOnEveryTick) {
    AppModelTestbed bed;
    writeSpooled(bed, bed.event("SessionStart", "early"), "1.json");
    AppModel& model = bed.make();
    EXPECT_TRUE(model.sessions().machine().sessions.contains("early"));

    writeSpooled(bed, bed.event("SessionStart", "later"), "2.json");
    model.sessions().tick();
    EXPECT_TRUE(model.sessions().machine().sessions.contains("later"));
    EXPECT_TRUE(std::filesystem::is_empty(bed.appSupport() + "/spool"));
}

TEST(AppModelEventsTests, TheTickerTicksAgainFiveSecondsAfterATickEnds) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    ASSERT_TRUE(AppModelTestAccess::ticker(model).isActive());
    // Fire it now rather than wait: the tick runs and the timer is armed again.
    QMetaObject::invokeMethod(const_cast<QTimer*>(&AppModelTestAccess::ticker(model)), "timeout", Qt::DirectConnection);
    EXPECT_EQ(AppModelTestAccess::ticksSinceTokenFetch(model), 0);
    EXPECT_EQ(AppModelTestAccess::attentiveTicks(model), 35);
    EXPECT_TRUE(AppModelTestAccess::ticker(model).isActive());
    EXPECT_EQ(AppModelTestAccess::ticker(model).remainingTime() > 4000, true);
}

TEST(AppModelEventsTests, SpoolFilesStayUntilWhatTheirEventsProducedIsSavedAndAreHandledOnce) {
    AppModelTestbed bed;
    const std::string spool = bed.appSupport() + "/spool";
    for (int index = 0; index < 3; ++index) {
        HookEvent failed = bed.event("PostToolUseFailure", "s1", 60 - index);
        failed.toolName = "Bash";
        failed.command = "make " + std::to_string(index);
        writeSpooled(bed, failed, std::to_string(index) + ".json");
    }
    AppModel& model = bed.make(false);
    // The list can't be saved (as on a full disk): a folder stands where the file goes.
    const std::string blocker = bed.appSupport() + "/finished.json/blocker";
    ASSERT_TRUE(files::createDirectories(blocker));
    settle();
    ASSERT_EQ(model.sessions().finished().size(), 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(spool), {}), 3);

    // Each tick tries the save again; the files stay and their events are not handled again.
    model.sessions().tick();
    model.sessions().tick();
    EXPECT_EQ(model.sessions().finished().size(), 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(spool), {}), 3);

    // Room again: the next tick saves, and the files go.
    std::filesystem::remove_all(bed.appSupport() + "/finished.json");
    model.sessions().tick();
    EXPECT_TRUE(std::filesystem::is_empty(spool));
    EXPECT_EQ(FinishedStore(bed.appSupport()).load(), model.sessions().finished());
    EXPECT_EQ(model.sessions().finished().size(), 3u);
}

TEST(AppModelEventsTests, ASpoolFileThatCantBeRemovedIsHandledOnce) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions don't bind root";
    AppModelTestbed bed;
    AppModel& model = bed.make(false);
    settle();
    HookEvent failed = bed.event("PostToolUseFailure", "s1", 30);
    failed.toolName = "Bash";
    failed.command = "make";
    writeSpooled(bed, failed, "0.json");
    const std::filesystem::path spool = bed.appSupport() + "/spool";
    std::filesystem::permissions(spool, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    model.sessions().tick();
    model.sessions().tick();
    model.sessions().tick();
    std::filesystem::permissions(spool, std::filesystem::perms::owner_all);
    EXPECT_EQ(model.sessions().finished().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(spool / "0.json"));
}

TEST(AppModelEventsTests, ASessionDroppedToKeepTheTableBoundedIsLogged) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    for (std::size_t index = 0; index <= StateMachine::maxSessions; ++index) {
        // Each one more recent than the one before: s0 is the least recently active.
        const double secondsAgo = double(StateMachine::maxSessions - index);
        model.sessions().handleHookEvent(bed.event("SessionStart", "s" + std::to_string(index), secondsAgo), true);
    }
    EXPECT_EQ(model.sessions().machine().sessions.size(), StateMachine::maxSessions);
    EXPECT_TRUE(model.sessions().machine().droppedSessions.empty());
    const std::vector<std::string> lines = bed.log.lines("App");
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "notice Too many sessions: dropped the least recently active one, s0"),
              lines.end());
}

}  // namespace
}  // namespace quorvel
