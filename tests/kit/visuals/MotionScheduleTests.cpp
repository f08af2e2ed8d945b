#include <gtest/gtest.h>

#include <vector>

#include "kit/visuals/model/MotionClock.hpp"
#include "kit/visuals/model/MotionSchedule.hpp"

namespace quorvel {
namespace {

using PixelArt::Face;

const Instant start = Instant::fromReferenceSeconds(700'000'000);

std::vector<double> offsetsOf(MotionSchedule::Entries entries, std::size_t count) {
    std::vector<double> offsets;
    for (std::size_t i = 0; i < count; ++i) {
        const auto date = entries.next();
        if (!date) break;
        offsets.push_back(date->secondsSince(start));
    }
    return offsets;
}

void expectNear(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-6) << "entry " << i;
    }
}

TEST(MotionSchedule, ChangeTimeCountsPerMotionAndScale) {
    // Counts from an independent model of the sampling (1/120 s steps by repeated addition,
    // rounding half away from zero).
    const struct {
        MascotMotion motion;
        double scale;
        std::size_t count;
    } table[] = {
        {MascotMotion::idle, 6, 13},      {MascotMotion::idle, 12, 20},
        {MascotMotion::idle, 2.5, 9},     {MascotMotion::running, 6, 28},
        {MascotMotion::longRun, 12, 28},  {MascotMotion::done, 6, 142},
        {MascotMotion::done, 12, 149},    {MascotMotion::done, 2.5, 114},
        {MascotMotion::needsYou, 6, 54},  {MascotMotion::needsYou, 12, 70},
        {MascotMotion::needsYou, 2.5, 28}, {MascotMotion::broke, 6, 92},
        {MascotMotion::broke, 12, 104},   {MascotMotion::broke, 2.5, 73},
        {MascotMotion::crashed, 6, 22},   {MascotMotion::muted, 6, 1},
        {MascotMotion::muted, 12, 1},
    };
    for (const auto& row : table) {
        const auto times = MotionSchedule::computeChangeTimes(row.motion, row.scale);
        EXPECT_EQ(times.size(), row.count) << rawValue(row.motion) << "@" << row.scale;
        ASSERT_FALSE(times.empty());
        EXPECT_EQ(times.front(), 0.0);
        for (std::size_t i = 1; i < times.size(); ++i) {
            EXPECT_LT(times[i - 1], times[i]);
            EXPECT_LT(times[i], duration(row.motion));
        }
    }
    EXPECT_EQ(MotionSchedule::computeChangeTimes(MascotMotion::muted, 6), std::vector<double>{0});
}

TEST(MotionSchedule, SamplesByRepeatedAdditionOfTheStep) {
    // Twelve additions of 1/120 fall just short of 0.1, so the flicker's drop at 0.1 s is seen
    // one sample later; 216 additions fall short of 1.8 in the same way for the blink.
    const auto crashed = MotionSchedule::computeChangeTimes(MascotMotion::crashed, 6);
    ASSERT_GE(crashed.size(), 4u);
    EXPECT_DOUBLE_EQ(crashed[1], 0.10833333333333332);
    EXPECT_DOUBLE_EQ(crashed[2], 0.20833333333333331);
    EXPECT_DOUBLE_EQ(crashed[3], 0.3000000000000001);

    const std::vector<double> idle{0.0,
                                   0.37500000000000033,
                                   0.6416666666666668,
                                   0.866666666666666,
                                   1.1333333333333317,
                                   1.8083333333333294,
                                   1.8749999999999958,
                                   1.9583333333333288,
                                   2.1083333333333285,
                                   2.1416666666666617,
                                   2.208333333333328,
                                   2.366666666666661,
                                   2.6333333333333266};
    EXPECT_EQ(MotionSchedule::computeChangeTimes(MascotMotion::idle, 6), idle);
}

TEST(MotionSchedule, PictureNumbersQuantiseAtTheScale) {
    MascotPose pose{Face::wink};
    pose.offsetY = -2.5;  // x 12/12 x 2 = -5
    pose.rotation = 1.25;  // x 2 = 2.5, away from zero: 3
    pose.flash = 0.01;     // x 50 = 0.5: 1
    pose.scanline = 0.5;
    pose.faceShift = -1;
    pose.clickOpacity = 0.025;  // 0.5: 1
    pose.floppyOut = 0.5;       // 23
    pose.screenOn = 0.1;        // 2
    pose.ledOn = false;
    const MotionSchedule::PictureNumbers expected{7, -1, -5, 3, 1, 7.0 / 14, 1, 0, 23, 2, 0};
    EXPECT_EQ(MotionSchedule::pictureNumbers(pose, 12), expected);

    pose.rotation = -1.25;  // -2.5: -3
    pose.offsetY = -1.25;   // at scale 6: -1.25 x 0.5 x 2 = -1.25: -1
    pose.scanline.reset();
    const auto numbers = MotionSchedule::pictureNumbers(pose, 6);
    EXPECT_EQ(numbers[3], -3);
    EXPECT_EQ(numbers[2], -1);
    EXPECT_EQ(numbers[5], -1);
}

TEST(MotionSchedule, TheShadowAloneIsNoChangeOfThePicture) {
    MascotPose a{Face::happy};
    MascotPose b = a;
    b.shadowScaleX = 0.6;
    EXPECT_EQ(MotionSchedule::pictureNumbers(a, 12), MotionSchedule::pictureNumbers(b, 12));
    b.offsetY = 0.2;  // 0.4 at scale 12: rounds to 0, still no change
    EXPECT_EQ(MotionSchedule::pictureNumbers(a, 12), MotionSchedule::pictureNumbers(b, 12));
    b.offsetY = 0.25;  // 0.5: rounds to 1
    EXPECT_NE(MotionSchedule::pictureNumbers(a, 12), MotionSchedule::pictureNumbers(b, 12));
}

TEST(MotionSchedule, CacheKeysUseTheShortestRoundTripText) {
    using Cache = MotionSchedule::TimesCache;
    EXPECT_EQ(Cache::key(MascotMotion::done, 12), "done@12.0");
    EXPECT_EQ(Cache::key(MascotMotion::idle, 2.5), "idle@2.5");
    EXPECT_EQ(Cache::key(MascotMotion::longRun, 0.1), "longRun@0.1");
    EXPECT_EQ(Cache::key(MascotMotion::needsYou, 12.5), "needsYou@12.5");
    EXPECT_NE(Cache::key(MascotMotion::idle, 6), Cache::key(MascotMotion::idle, 6.000000000000001));
}

TEST(MotionSchedule, TheSharedCacheComputesOncePerMotionAndScale) {
    auto& cache = MotionSchedule::TimesCache::shared();
    EXPECT_FALSE(cache.cached(MascotMotion::broke, 7.25).has_value());
    const auto first = cache.times(MascotMotion::broke, 7.25);
    ASSERT_TRUE(cache.cached(MascotMotion::broke, 7.25).has_value());
    EXPECT_EQ(*cache.cached(MascotMotion::broke, 7.25), first);
    EXPECT_EQ(cache.times(MascotMotion::broke, 7.25), first);
    EXPECT_EQ(first, MotionSchedule::computeChangeTimes(MascotMotion::broke, 7.25));

    EXPECT_FALSE(cache.cached(MascotMotion::broke, 7.5).has_value());
    const MotionSchedule schedule(MascotMotion::broke, start, 7.5);
    EXPECT_TRUE(cache.cached(MascotMotion::broke, 7.5).has_value());
    EXPECT_EQ(schedule, MotionSchedule(MascotMotion::broke, start, *cache.cached(MascotMotion::broke, 7.5)));
}

TEST(MotionSchedule, IdleEntriesResumeInTheCurrentCycleAndCarryOn) {
    const MotionSchedule schedule(MascotMotion::idle, start, 6.0);
    const auto& t = schedule.changeTimes;
    ASSERT_EQ(t.size(), 13u);
    // 7 s in: cycle 2, 1 s into it. The latest change at or before 1.0 is t[3] (0.8667).
    std::vector<double> expected{6 + t[3]};
    for (std::size_t i = 4; i < t.size(); ++i) expected.push_back(6 + t[i]);
    for (std::size_t i = 0; i < t.size(); ++i) expected.push_back(9 + t[i]);
    expected.push_back(12 + t[0]);
    expectNear(offsetsOf(schedule.entries(start.adding(7.0)), expected.size()), expected);
}

TEST(MotionSchedule, EntriesFromTheStartBeginWithTheStart) {
    const MotionSchedule schedule(MascotMotion::running, start, 12.0);
    const auto offsets = offsetsOf(schedule.entries(start), 3);
    expectNear(offsets, {0, schedule.changeTimes[1], schedule.changeTimes[2]});
}

TEST(MotionSchedule, EntriesBeforeTheStartHaveNoCatchUpDate) {
    const MotionSchedule schedule(MascotMotion::crashed, start, 6.0);
    const auto offsets = offsetsOf(schedule.entries(start.adding(-5)), 100);
    expectNear(offsets, schedule.changeTimes);
}

TEST(MotionSchedule, AOneShotEndsAfterItsSpan) {
    const MotionSchedule schedule(MascotMotion::done, start, 12.0);
    expectNear(offsetsOf(schedule.entries(start.adding(10)), 10), {schedule.changeTimes.back()});

    // Halfway through: the latest change so far, then the rest of the span, then nothing.
    auto entries = schedule.entries(start.adding(1.0));
    std::size_t count = 0;
    while (entries.next()) ++count;
    std::size_t remaining = 0;
    for (double time : schedule.changeTimes) remaining += time > 1.0 ? 1 : 0;
    EXPECT_EQ(count, remaining + 1);
}

TEST(MotionSchedule, AMutedScheduleYieldsItsStartOnce) {
    const MotionSchedule schedule(MascotMotion::muted, start, 6.0);
    expectNear(offsetsOf(schedule.entries(start.adding(30)), 5), {0});
    expectNear(offsetsOf(schedule.entries(start), 5), {0});
    // A muted motion that starts later than the timeline: the start date is still ahead.
    expectNear(offsetsOf(schedule.entries(start.adding(-2)), 5), {0});
}

TEST(MotionSchedule, ALoopWithoutChangeTimesEndsInsteadOfSpinning) {
    const MotionSchedule schedule(MascotMotion::idle, start, std::vector<double>{});
    auto entries = schedule.entries(start.adding(4));
    EXPECT_EQ(entries.next(), std::nullopt);
}

TEST(MotionClock, DefaultAndStartingClocks) {
    const Instant before = Instant::now();
    const MotionClock clock;
    EXPECT_EQ(clock.motion, MascotMotion::idle);
    EXPECT_FALSE(clock.finished);
    EXPECT_GE(clock.start, before);

    EXPECT_EQ(MotionClock::starting(MascotMotion::muted, start), (MotionClock{MascotMotion::muted, start, true}));
    EXPECT_EQ(MotionClock::starting(MascotMotion::done, start), (MotionClock{MascotMotion::done, start, false}));
}

TEST(MotionClock, OneShotsFinishAfterTheirSpanAndAMoment) {
    const struct {
        MascotMotion motion;
        std::optional<double> hold;
    } table[] = {
        {MascotMotion::done, 3.25},      {MascotMotion::broke, 2.65},
        {MascotMotion::crashed, 0.85},   {MascotMotion::idle, std::nullopt},
        {MascotMotion::running, std::nullopt}, {MascotMotion::longRun, std::nullopt},
        {MascotMotion::needsYou, std::nullopt}, {MascotMotion::muted, std::nullopt},
    };
    for (const auto& row : table) {
        EXPECT_EQ(MotionClock::holdTime(row.motion), row.hold) << rawValue(row.motion);
        if (row.hold) {
            EXPECT_NEAR(*row.hold, duration(row.motion) + 0.05, 1e-12);
        }
    }
}

}  // namespace
}  // namespace quorvel
