#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "kit/visuals/model/MascotMotion.hpp"
#include "kit/visuals/model/MascotPose.hpp"

namespace quorvel {
namespace {

using PixelArt::Face;

struct MotionFacts {
    MascotMotion motion;
    const char* raw;
    bool loops;
    bool playsOnce;
    double duration;
    Face face;
};

TEST(MascotMotion, PropertiesOfEveryMotion) {
    const MotionFacts table[] = {
        {MascotMotion::idle, "idle", true, false, 3.0, Face::happy},
        {MascotMotion::running, "running", true, false, 2.0, Face::working},
        {MascotMotion::longRun, "longRun", true, false, 2.0, Face::shocked},
        {MascotMotion::done, "done", false, true, 3.2, Face::wink},
        {MascotMotion::needsYou, "needsYou", true, false, 2.4, Face::shocked},
        {MascotMotion::broke, "broke", false, true, 2.6, Face::angry},
        {MascotMotion::crashed, "crashed", false, true, 0.8, Face::dead},
        {MascotMotion::muted, "muted", false, false, 0.0, Face::sleepy},
    };
    for (const auto& row : table) {
        EXPECT_EQ(rawValue(row.motion), row.raw);
        EXPECT_EQ(mascotMotionFromRawValue(row.raw), row.motion);
        EXPECT_EQ(loops(row.motion), row.loops) << row.raw;
        EXPECT_EQ(playsOnce(row.motion), row.playsOnce) << row.raw;
        EXPECT_EQ(duration(row.motion), row.duration) << row.raw;
        EXPECT_EQ(baseFace(row.motion), row.face) << row.raw;
    }
}

TEST(MascotMotion, RawValuesMatchExactly) {
    for (const char* other : {"longrun", "LONGRUN", "Idle", "", " idle", "needsyou"}) {
        EXPECT_EQ(mascotMotionFromRawValue(other), std::nullopt) << other;
    }
}

MascotPose poseOf(Face face) { return MascotPose{face}; }

struct PoseCase {
    const char* name;
    MascotMotion motion;
    double elapsed;
    MascotPose expected;
};

TEST(MascotPose, ReferencePosesAtGivenTimes) {
    MascotPose running = poseOf(Face::working);
    running.faceShift = -1;
    running.scanline = 0.25;

    MascotPose doneEnd = poseOf(Face::wink);
    doneEnd.floppyOut = 1;
    doneEnd.clickOffsetY = -18;

    MascotPose doneStart = poseOf(Face::blink);

    MascotPose crashedDim = poseOf(Face::dead);
    crashedDim.screenOn = 0.1;

    const PoseCase cases[] = {
        {"running at 2.25 s", MascotMotion::running, 2.25, running},
        {"done long after its span", MascotMotion::done, 10, doneEnd},
        {"done before it started", MascotMotion::done, -1, doneStart},
        {"crashed at 0.15 s", MascotMotion::crashed, 0.15, crashedDim},
        {"crashed at 0.25 s", MascotMotion::crashed, 0.25, poseOf(Face::dead)},
        {"crashed at 0.4 s", MascotMotion::crashed, 0.4, crashedDim},
        {"crashed at 0.8 s", MascotMotion::crashed, 0.8, poseOf(Face::dead)},
        {"crashed long after", MascotMotion::crashed, 50, poseOf(Face::dead)},
        {"muted at 0", MascotMotion::muted, 0, poseOf(Face::sleepy)},
        {"muted at 123 s", MascotMotion::muted, 123, poseOf(Face::sleepy)},
        {"idle at 0", MascotMotion::idle, 0, poseOf(Face::happy)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MascotPose::compute(false, c.motion, c.elapsed), c.expected) << c.name;
    }
}

TEST(MascotPose, IdleBlinksInHalfOpenWindowsOfItsLoop) {
    const struct {
        double elapsed;
        Face face;
    } cases[] = {
        {4.85, Face::blink},  // t = 1.85
        {5.3, Face::happy},   // t = 2.3
        {1.8, Face::blink},   {1.95, Face::happy}, {2.1, Face::blink},
        {2.2, Face::happy},   {1.79, Face::happy}, {3.0 + 2.15, Face::blink},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MascotPose::compute(false, MascotMotion::idle, c.elapsed).face, c.face)
            << c.elapsed;
    }
    EXPECT_NEAR(MascotPose::compute(false, MascotMotion::idle, 1.5).offsetY, -4, 1e-9);
    EXPECT_NEAR(MascotPose::compute(false, MascotMotion::idle, 4.5).offsetY, -4, 1e-9);
}

TEST(MascotPose, LoopTimeKeepsTheSignOfTheElapsedTime) {
    // fmod(-0.25, 2) is -0.25: before the first key the tracks hold their first values, and
    // the face shift reads the negative time as "before 0.5".
    const MascotPose pose = MascotPose::compute(false, MascotMotion::running, -0.25);
    EXPECT_EQ(pose.faceShift, -1);
    ASSERT_TRUE(pose.scanline.has_value());
    EXPECT_DOUBLE_EQ(*pose.scanline, -0.25);
    // -1.2 into needsYou: fmod gives -1.2, whose remainder by 0.6 is -0 (below 0.3), so lit.
    EXPECT_TRUE(MascotPose::compute(false, MascotMotion::needsYou, -1.2).ledOn);
}

TEST(MascotPose, RunningShiftsItsFaceAcrossTheLoop) {
    const struct {
        double elapsed;
        int shift;
    } cases[] = {{0, -1}, {0.49, -1}, {0.5, 0}, {0.99, 0}, {1.0, 1}, {1.49, 1}, {1.5, 0}, {1.99, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(MascotPose::compute(false, MascotMotion::running, c.elapsed).faceShift, c.shift)
            << c.elapsed;
    }
    EXPECT_NEAR(*MascotPose::compute(false, MascotMotion::longRun, 3.7).scanline, 0.7, 1e-9);
}

TEST(MascotPose, DoneHitsItsKeyframesExactly) {
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 1.0).offsetY, -8);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 0.62).offsetY, -56);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 0.35).offsetY, 6);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 0.62).shadowScaleX, 0.6);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 0.92).flash, 0.3);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 1.7).floppyOut, 1.0);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 1.35).clickOpacity, 1.0);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 1.3).clickOpacity, 0.0);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 0.34).face, Face::blink);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 0.35).face, Face::happy);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, 2.3).face, Face::wink);
}

TEST(MascotPose, NeedsYouBlinksItsLedAndHopsTwicePerPeriod) {
    const struct {
        double elapsed;
        bool ledOn;
        double offsetY;
    } cases[] = {{0.0, true, 0},    {0.15, true, -12}, {0.3, false, 0}, {0.45, false, -12},
                 {0.6, true, 0},    {0.75, true, 0},   {1.0, false, 0}, {2.35, false, 0},
                 {2.4 + 0.15, true, -12}};
    for (const auto& c : cases) {
        const MascotPose pose = MascotPose::compute(false, MascotMotion::needsYou, c.elapsed);
        EXPECT_EQ(pose.ledOn, c.ledOn) << c.elapsed;
        EXPECT_NEAR(pose.offsetY, c.offsetY, 1e-9) << c.elapsed;
        EXPECT_EQ(pose.face, Face::shocked);
    }
}

TEST(MascotPose, BrokeShakesAndTurnsAngry) {
    const MascotPose early = MascotPose::compute(false, MascotMotion::broke, 0.38);
    EXPECT_EQ(early.face, Face::shocked);
    EXPECT_EQ(early.rotation, -7);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::broke, 0.15).offsetY, -20);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::broke, 0.35).flash, 0.35);
    const MascotPose late = MascotPose::compute(false, MascotMotion::broke, 2.6);
    EXPECT_EQ(late.face, Face::angry);
    EXPECT_EQ(late.offsetY, 8);
    EXPECT_EQ(late.rotation, 0);
}

TEST(MascotPose, ReduceMotionGivesTheStillPoseWhateverTheTime) {
    const struct {
        MascotMotion motion;
        Face face;
        double floppyOut;
    } table[] = {
        {MascotMotion::idle, Face::happy, 0},      {MascotMotion::running, Face::working, 0},
        {MascotMotion::longRun, Face::shocked, 0}, {MascotMotion::done, Face::wink, 1},
        {MascotMotion::needsYou, Face::shocked, 0}, {MascotMotion::broke, Face::angry, 0},
        {MascotMotion::crashed, Face::dead, 0},    {MascotMotion::muted, Face::sleepy, 0},
    };
    for (const auto& row : table) {
        MascotPose expected{row.face};
        expected.floppyOut = row.floppyOut;
        EXPECT_EQ(MascotPose::still(row.motion), expected) << rawValue(row.motion);
        for (double elapsed : {-3.0, 0.0, 0.15, 1.85, 99.0}) {
            EXPECT_EQ(MascotPose::compute(true, row.motion, elapsed), expected)
                << rawValue(row.motion) << " at " << elapsed;
        }
    }
}

TEST(MascotPose, TimesThatAreNotFiniteLandOnAnEnd) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, inf).floppyOut, 1);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::done, nan).face, Face::blink);
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::idle, nan), MascotPose{Face::happy});
    EXPECT_EQ(MascotPose::compute(false, MascotMotion::idle, -inf), MascotPose{Face::happy});
}

}  // namespace
}  // namespace quorvel
