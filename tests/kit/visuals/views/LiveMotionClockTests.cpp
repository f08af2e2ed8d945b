// The live behaviour of a face: one clock per motion episode, timers only while a picture will
// change, and none at all while finished, hidden or with reduce motion on.
#include <gtest/gtest.h>

#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/views/mascot/LiveMotionClock.hpp"
#include "kit/visuals/views/mascot/MascotTimeline.hpp"
#include "platform/desktop/ReduceMotion.hpp"
#include "tests/support/QtEventLoop.hpp"

namespace quorvel {
namespace {

class SettableClock final : public Clock {
public:
    Instant now() const override { return now_; }
    void set(Instant now) { now_ = now; }
    void advance(double seconds) { now_ = now_.adding(seconds); }

private:
    Instant now_ = Instant::fromUnixSeconds(1'800'000'000);
};

DeviceDisplay display(const std::string& sample, const std::string& key) {
    DeviceDisplay snapshot = DeviceSamples::display(sample, Instant::fromUnixSeconds(1'800'000'000));
    snapshot.motionKey = key;
    return snapshot;
}

class LiveMotionClockTest : public ::testing::Test {
protected:
    SettableClock wall;
    FixedReduceMotion reduceMotion;
    LiveMotionClock live{6, reduceMotion, wall};
    int changes = 0;

    void SetUp() override { QObject::connect(&live, &LiveMotionClock::changed, [this] { ++changes; }); }
};

TEST_F(LiveMotionClockTest, ANewMotionKeyRestartsTheClockAndTheSameKeyChangesNothing) {
    const Instant first = wall.now();
    live.show(display("done", "done-1"));
    EXPECT_EQ(live.clock(), (MotionClock{MascotMotion::done, first, false}));

    wall.advance(1);
    live.show(display("done", "done-1"));
    EXPECT_EQ(live.clock().start, first);

    live.show(display("done", "done-2"));  // a second done episode
    EXPECT_EQ(live.clock(), (MotionClock{MascotMotion::done, wall.now(), false}));
    EXPECT_EQ(changes, 0);
}

TEST_F(LiveMotionClockTest, AOneShotFinishesAfterItsHoldAndThenArmsNoTimer) {
    live.show(display("done", "done-1"));
    ASSERT_TRUE(live.nextFire());
    EXPECT_LE(*live.nextFire(), wall.now().adding(3.25));

    wall.advance(3.2);
    live.show(display("done", "done-1"));
    EXPECT_FALSE(live.clock().finished);
    EXPECT_EQ(live.nextFire(), live.clock().start.adding(3.25));  // no change left but the hold's end

    wall.advance(0.05);
    live.show(display("done", "done-1"));
    EXPECT_TRUE(live.clock().finished);
    EXPECT_FALSE(live.nextFire());
}

TEST_F(LiveMotionClockTest, MutedIsFinishedAtOnceAndALoopNeverFinishes) {
    live.show(display("muted", "muted"));
    EXPECT_TRUE(live.clock().finished);
    EXPECT_FALSE(live.nextFire());

    live.show(display("running", "running"));
    EXPECT_FALSE(live.clock().finished);
    wall.advance(10'000);
    live.show(display("running", "running"));
    EXPECT_FALSE(live.clock().finished);
    EXPECT_EQ(live.nextFire(), MascotTimeline::nextChange(live.clock(), 6, wall.now()));
}

TEST_F(LiveMotionClockTest, ATimerStepPaintsThePoseOfTheDateItWasArmedFor) {
    live.show(display("needsyou", "needsyou"));
    const auto armed = live.nextFire();
    ASSERT_TRUE(armed);
    // The wall clock stands still, so the step is drawn for its scheduled date, not for now.
    ASSERT_TRUE(testing::waitUntil([&] { return changes > 0; }, 5000));
    EXPECT_EQ(live.moment().time, *armed);
    ASSERT_TRUE(live.nextFire());
    EXPECT_GT(*live.nextFire(), *armed);
}

TEST_F(LiveMotionClockTest, NoTimerWhileMotionIsReducedOrTheFaceIsHidden) {
    live.show(display("idle", "idle"));
    ASSERT_TRUE(live.nextFire());

    reduceMotion.set(true);
    EXPECT_FALSE(live.nextFire());
    EXPECT_TRUE(live.moment().reduceMotion);
    EXPECT_EQ(changes, 1);
    reduceMotion.set(false);
    EXPECT_TRUE(live.nextFire());
    EXPECT_EQ(changes, 2);

    live.setHidden(true);
    EXPECT_FALSE(live.nextFire());
    live.setHidden(false);
    EXPECT_TRUE(live.nextFire());
}

TEST_F(LiveMotionClockTest, AFaceShownAgainCatchesUpWithAOneShotThatEndedMeanwhile) {
    live.show(display("broke", "broke-1"));
    live.setHidden(true);
    wall.advance(5);
    EXPECT_FALSE(live.clock().finished);
    live.setHidden(false);
    EXPECT_TRUE(live.clock().finished);
    EXPECT_FALSE(live.nextFire());
    EXPECT_EQ(changes, 1);
}

TEST_F(LiveMotionClockTest, WithReduceMotionAFaceChangeCrossFadesForAFifthOfASecond) {
    live.show(display("running", "running"));
    live.show(display("done", "done-1"));
    EXPECT_FALSE(live.moment().faceFade);  // motion plays: faces simply change

    reduceMotion.set(true);
    EXPECT_FALSE(live.moment().faceFade);
    live.show(display("broke", "broke-1"));
    const auto fade = live.moment().faceFade;
    ASSERT_TRUE(fade);
    EXPECT_EQ(fade->from, MascotPose::still(MascotMotion::done).face);
    EXPECT_EQ(fade->progress(wall.now()), 0.0);
    const int before = changes;
    ASSERT_TRUE(testing::waitUntil([&] { return changes > before; }, 2000));  // frames while it fades

    wall.advance(FaceFade::seconds);
    EXPECT_FALSE(live.moment().faceFade);
    // The same face again: nothing to fade.
    live.show(display("broke", "broke-2"));
    EXPECT_FALSE(live.moment().faceFade);
}

TEST_F(LiveMotionClockTest, ClocksOfTwoFacesFollowOneSettingEach) {
    LiveMotionClock other{4, reduceMotion, wall};
    live.show(display("idle", "idle"));
    other.show(display("idle", "idle"));
    reduceMotion.set(true);
    EXPECT_FALSE(live.nextFire());
    EXPECT_FALSE(other.nextFire());
}

}  // namespace
}  // namespace quorvel
