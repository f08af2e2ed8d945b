// The sessions part on its own: no model, no device or phone, only stand-ins for what it
// reaches through `SessionNeighbours`, each call written down in the order it came.
#include <gtest/gtest.h>

#include <QObject>
#include <algorithm>

#include "app/stores/SessionStore.hpp"
#include "app/model/sessions/SessionsPart.hpp"
#include "tests/support/QtEventLoop.hpp"
#include "tests/app/model/AppModelTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::SignalCounter;

/// The neighbours the sessions see, and what was asked of them.
struct StandInNeighbours {
    bool muted = false;
    std::vector<std::string> calls;

    SessionNeighbours wired() {
        return SessionNeighbours{
            [this] { return muted; },
            [this](Sound sound) { calls.push_back("sound " + std::string(rawValue(sound))); },
            [this] { calls.emplace_back("floppy out"); },
            [this](const std::string& id) { calls.push_back("forget pushes " + id); },
            [this](const Alert& alert) { calls.push_back("push " + std::string(rawValue(alert.kind)) + " " + alert.sessionID); },
            [this](const std::vector<Session>& sessions, Instant) {
                std::string ids;
                for (const Session& session : sessions) ids += " " + session.id;
                calls.push_back("live activities" + ids);
            },
            [this] { calls.emplace_back("before tick"); },
            [this] { calls.emplace_back("after tick"); }};
    }
    bool called(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }
    long startingWith(const std::string& prefix) const {
        return std::count_if(calls.begin(), calls.end(), [&](const std::string& call) { return call.starts_with(prefix); });
    }
};

/// The services of the model's test bed, taken apart: only what the sessions are made from.
struct SessionsBed {
    AppModelTestbed bed;
    AppServices services = bed.services();
    QObject context;
    ModelHops hops{context, *services.desktop};
    StandInNeighbours neighbours;

    std::unique_ptr<SessionsPart> make() {
        return std::make_unique<SessionsPart>(
            SessionsPart::Services{services.paths, services.clock, *services.keepAwake, *services.notifier}, hops,
            StateMachineSettings::standard(), neighbours.wired());
    }
};

TEST(SessionsPartTests, ALiveRunsEndReachesTheDeviceAndPhoneAndTheTableIsWeighedOnceAfterIt) {
    SessionsBed sessions;
    auto part = sessions.make();
    SignalCounter finished(*part, &SessionsPart::finishedChanged);
    SignalCounter changed(*part, &SessionsPart::changed);

    HookEvent prompt = sessions.bed.event("UserPromptSubmit", "s1", 40);
    prompt.promptFirstLine = "fix the build";
    part->handleHookEvent(prompt, true);
    part->handleHookEvent(sessions.bed.event("Stop", "s1"), true);
    EXPECT_EQ(sessions.neighbours.calls,
              (std::vector<std::string>{"forget pushes s1", "floppy out", "sound fanfare", "push done s1"}));
    ASSERT_EQ(part->finished().size(), 1u);
    EXPECT_EQ(part->finished()[0].title, "fix the build");
    EXPECT_EQ(finished.count(), 1);
    EXPECT_GE(changed.count(), 3);

    // Two events, one weighing of the whole table, after the last of them; the banner too
    // waits for the main thread's next turn.
    EXPECT_TRUE(sessions.bed.recorded.banners.empty());
    testing::settle();
    EXPECT_EQ(sessions.neighbours.startingWith("live activities"), 1);
    EXPECT_TRUE(sessions.neighbours.called("live activities s1"));
    EXPECT_EQ(sessions.bed.recorded.banners.size(), 1u);
}

TEST(SessionsPartTests, MutedOrSpooledLongAgoAnAlertIsStillRoutedOrKeptButNeverSounded) {
    SessionsBed sessions;
    auto part = sessions.make();
    sessions.neighbours.muted = true;
    part->handleHookEvent(sessions.bed.event("UserPromptSubmit", "s1", 40), true);
    part->handleHookEvent(sessions.bed.event("Stop", "s1"), true);
    testing::settle();
    // The phone still decides; the device neither sounds nor shows, the Live Activities stay.
    EXPECT_TRUE(sessions.neighbours.called("push done s1"));
    EXPECT_EQ(sessions.neighbours.startingWith("sound"), 0);
    EXPECT_EQ(sessions.neighbours.startingWith("live activities"), 0);
    EXPECT_TRUE(sessions.bed.recorded.banners.empty());

    // A run spooled an hour ago is kept and takes the floppy out, and nothing else.
    sessions.neighbours = {};
    part->handleHookEvent(sessions.bed.event("UserPromptSubmit", "s2", 3700), false);
    part->handleHookEvent(sessions.bed.event("Stop", "s2", 3600), false);
    EXPECT_EQ(sessions.neighbours.calls, (std::vector<std::string>{"forget pushes s2", "floppy out"}));
    EXPECT_EQ(part->finished().size(), 2u);
}

TEST(SessionsPartTests, EveryTickGivesTheNeighboursTheirShareAroundTheMachinesOwn) {
    SessionsBed sessions;
    auto part = sessions.make();
    part->handleHookEvent(sessions.bed.event("UserPromptSubmit", "s1"), true);
    testing::settle();
    sessions.neighbours.calls.clear();

    part->tick();
    EXPECT_EQ(sessions.neighbours.calls,
              (std::vector<std::string>{"before tick", "live activities s1", "after tick"}));
    EXPECT_EQ(sessions.bed.recorded.holdsKept, 1) << "a run in progress holds the machine awake";
}

TEST(SessionsPartTests, ADismissAcknowledgesTheSessionAndAQuitLetsTheHoldGoAndHandlesNothingMore) {
    SessionsBed sessions;
    auto part = sessions.make();
    SignalCounter machine(*part, &SessionsPart::machineChanged);
    part->handleHookEvent(sessions.bed.event("UserPromptSubmit", "s1", 40), true);
    part->handleHookEvent(sessions.bed.event("Stop", "s1"), true);
    ASSERT_TRUE(part->machine().focusSession());
    EXPECT_TRUE(part->machine().focusSession()->state.is(SessionState::Kind::done));
    part->dismiss("s1");
    EXPECT_TRUE(part->machine().focusSession()->state.is(SessionState::Kind::idle));
    EXPECT_EQ(machine.count(), 3);

    part->handleHookEvent(sessions.bed.event("UserPromptSubmit", "s2"), true);
    testing::settle();
    ASSERT_EQ(sessions.bed.recorded.holdsKept, 1);
    part->shutDown();
    EXPECT_EQ(sessions.bed.recorded.holdsKept, 0);
    // What arrives at the very end is still kept, but nothing sounds any more.
    sessions.neighbours.calls.clear();
    part->receiveLiveEvent(sessions.bed.event("Stop", "s2"));
    EXPECT_EQ(sessions.neighbours.startingWith("sound"), 0);
    EXPECT_EQ(part->finished().size(), 2u);
    part->settle();
    EXPECT_EQ(sessions.bed.recorded.holdsKept, 0) << "no hold is taken again after the end";
}

TEST(SessionsPartTests, ADismissIsSavedLikeARunsEndAndTheLogOutSaveWaitsForNoTurn) {
    SessionsBed sessions;
    auto part = sessions.make();
    SessionStore store(sessions.bed.appSupport());
    const auto savedState = [&](const std::string& id) -> std::optional<SessionState::Kind> {
        const auto saved = store.load(sessions.services.clock->now(), 3600, StateMachine::hardMaxSessions);
        if (!saved) return std::nullopt;
        for (const Session& session : saved->sessions) {
            if (session.id == id) return session.state.kind();
        }
        return std::nullopt;
    };
    part->handleHookEvent(sessions.bed.event("UserPromptSubmit", "s1", 40), true);
    part->handleHookEvent(sessions.bed.event("Stop", "s1"), true);
    ASSERT_TRUE(testing::waitUntil([&] { return savedState("s1") == SessionState::Kind::done; }));

    // With nothing else happening after it, the acknowledgement reaches the disk on its own.
    part->dismiss("s1");
    EXPECT_TRUE(testing::waitUntil([&] { return savedState("s1") == SessionState::Kind::idle; }));

    // A run that started a moment after that save, while the next one waits for its turn, is
    // on disk at once when asked.
    part->handleHookEvent(sessions.bed.event("UserPromptSubmit", "s2"), true);
    part->saveNow();
    EXPECT_EQ(savedState("s2"), SessionState::Kind::running);
}

}  // namespace
}  // namespace quorvel
