// The device screen: which pose the mascot, overlay and LED show for a clock, how the mascot
// moves, the detail line's cutting, and the status row.
#include <gtest/gtest.h>

#include <cmath>

#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/model/MotionSchedule.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/DetailLine.hpp"
#include "kit/visuals/views/device/ScreenBezel.hpp"
#include "kit/visuals/views/device/ScreenOverlay.hpp"
#include "kit/visuals/views/mascot/AnimatedMascot.hpp"
#include "kit/visuals/views/mascot/MascotTimeline.hpp"
#include "kit/visuals/views/strip/StripScreen.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using testing::PaintedImage;

const Instant start = Instant::fromUnixSeconds(1'800'000'000);

TEST(MascotTimeline, AFinishedClockShowsTheStillPoseOfTheDisplaysMotion) {
    const MotionClock finished{MascotMotion::done, start, true};
    const MascotPose pose = MascotTimeline::pose(MascotMotion::done, finished, false, 6, start.adding(0.5));
    EXPECT_EQ(pose, MascotPose::still(MascotMotion::done));
    EXPECT_DOUBLE_EQ(pose.floppyOut, 1);
    // Even a clock finished on another motion: the display's motion rests.
    EXPECT_EQ(MascotTimeline::pose(MascotMotion::broke, finished, false, 6, start), MascotPose::still(MascotMotion::broke));
    EXPECT_FALSE(MascotTimeline::runs(MascotMotion::done, finished, false));
}

TEST(MascotTimeline, AClockStillOnTheOldMotionDrawsTheNewOneAtZeroWithoutATimeline) {
    const MotionClock old{MascotMotion::running, start, false};
    EXPECT_FALSE(MascotTimeline::runs(MascotMotion::broke, old, false));
    EXPECT_FALSE(MascotTimeline::overlayRuns(MascotMotion::broke, old, false));
    EXPECT_EQ(MascotTimeline::pose(MascotMotion::broke, old, false, 6, start.adding(1.3)),
              MascotPose::compute(false, MascotMotion::broke, 0));
}

TEST(MascotTimeline, ReduceMotionStopsEveryTimelineAndShowsTheStillPose) {
    const MotionClock playing{MascotMotion::needsYou, start, false};
    EXPECT_FALSE(MascotTimeline::runs(MascotMotion::needsYou, playing, true));
    EXPECT_EQ(MascotTimeline::pose(MascotMotion::needsYou, playing, true, 6, start.adding(0.7)),
              MascotPose::compute(true, MascotMotion::needsYou, 0.7));
}

TEST(MascotTimeline, APlayingTimelineDrawsThePoseOfItsLatestScheduledChange) {
    const MotionClock playing{MascotMotion::done, start, false};
    ASSERT_TRUE(MascotTimeline::runs(MascotMotion::done, playing, false));
    EXPECT_TRUE(MascotTimeline::overlayRuns(MascotMotion::done, playing, false));
    EXPECT_FALSE(MascotTimeline::overlayRuns(MascotMotion::idle, MotionClock{MascotMotion::idle, start, false}, false));

    const auto times = MotionSchedule::TimesCache::shared().times(MascotMotion::done, 6);
    ASSERT_GT(times.size(), 3u);
    // Between two change times the picture is that of the earlier one.
    const double between = (times[2] + times[3]) / 2;
    EXPECT_EQ(MascotTimeline::scheduledDate(playing, 6, start.adding(between)), start.adding(times[2]));
    EXPECT_EQ(MotionSchedule::pictureNumbers(MascotTimeline::pose(MascotMotion::done, playing, false, 6, start.adding(between)), 6),
              MotionSchedule::pictureNumbers(MascotPose::compute(false, MascotMotion::done, times[2]), 6));
    EXPECT_EQ(MascotTimeline::nextChange(playing, 6, start.adding(between)), start.adding(times[3]));
    // At a change time itself the next change is the one after it, never the same again.
    EXPECT_EQ(MascotTimeline::nextChange(playing, 6, start.adding(times[3])), start.adding(times[4]));
    // A one-shot has no change after its span; a loop goes on.
    EXPECT_EQ(MascotTimeline::nextChange(playing, 6, start.adding(10)), std::nullopt);
    EXPECT_TRUE(MascotTimeline::nextChange(MotionClock{MascotMotion::idle, start, false}, 6, start.adding(1000)));
}

TEST(AnimatedMascot, RisesAreSoftlyHeldUnderTheCeilingAndFallsAreNot) {
    EXPECT_NEAR(AnimatedMascot::verticalOffset(-48, 6, 16), -16 * std::tanh(1.5), 1e-12);
    EXPECT_NEAR(AnimatedMascot::verticalOffset(-48, 6, 16), -14.48, 0.005);
    EXPECT_DOUBLE_EQ(AnimatedMascot::verticalOffset(48, 6, 16), 24);
    EXPECT_DOUBLE_EQ(AnimatedMascot::verticalOffset(-48, 6, std::nullopt), -24);
    EXPECT_DOUBLE_EQ(AnimatedMascot::verticalOffset(NAN, 6, 16), 0);
    for (const double huge : {-1e9, -1e300}) EXPECT_GE(AnimatedMascot::verticalOffset(huge, 6, 16), -16);
}

TEST(AnimatedMascot, TheScanlineStepsDownTheScreenInFourteenths) {
    const double scale = 6;
    const double height = std::max(4 * scale / 12, 1.0);
    EXPECT_EQ(AnimatedMascot::scanlineRect(0, scale), QRectF(18, 18, 60, height));
    EXPECT_DOUBLE_EQ(AnimatedMascot::scanlineRect(1, scale).top(), 10 * scale - height);
    EXPECT_DOUBLE_EQ(AnimatedMascot::scanlineRect(0.5 / 14, scale).top(), 18);  // within the first step
    EXPECT_DOUBLE_EQ(AnimatedMascot::scanlineRect(1.0 / 14, scale).top(), 18 + (7 * scale - height) / 14);
    EXPECT_DOUBLE_EQ(AnimatedMascot::scanlineRect(0, 1.5).height(), 1);  // never thinner than a point
}

TEST(AnimatedMascot, AMascotThatCantBeMadeLeavesItsSquareEmpty) {
    PaintedImage image(QSizeF(40, 40), 1);
    image.paint([](QPainter& painter) {
        AnimatedMascot{MascotPose::still(MascotMotion::idle), 1e-9, false, false, 16}.paint(painter, QPointF(10, 10));
    });
    EXPECT_EQ(image.image(), PaintedImage(QSizeF(40, 40), 1).image());
}

TEST(AnimatedMascot, AFaceChangeUnderReduceMotionCrossFadesOverAFifthOfASecond) {
    const FaceFade fade{PixelArt::Face::wink, start};
    EXPECT_EQ(fade.progress(start), 0.0);
    EXPECT_NEAR(*fade.progress(start.adding(0.1)), 0.5, 1e-5);
    EXPECT_LT(*fade.progress(start.adding(0.05)), 0.25);  // eased: slow at first
    EXPECT_EQ(fade.progress(start.adding(0.2)), std::nullopt);
    EXPECT_EQ(fade.progress(start.adding(-0.01)), std::nullopt);

    auto painted = [](const AnimatedMascot& mascot) {
        PaintedImage image(QSizeF(140, 140), 2);
        image.paint([&](QPainter& painter) { mascot.paint(painter, QPointF(22, 22)); });
        return image.image();
    };
    AnimatedMascot angry{MascotPose::still(MascotMotion::broke), 6, true, true, 16};
    const QImage plain = painted(angry);
    EXPECT_EQ(painted(angry.fading(fade, start.adding(0.3))), plain);  // over: no trace of it
    const QImage halfway = painted(angry.fading(fade, start.adding(0.1)));
    EXPECT_NE(halfway, plain);
    AnimatedMascot done = angry;
    done.fadingFrom = std::pair{PixelArt::Face::wink, 1.0};
    EXPECT_EQ(painted(done), plain);
    // Without reduce motion a face simply changes.
    AnimatedMascot moving = angry;
    moving.reduceMotion = false;
    moving.fadingFrom = std::pair{PixelArt::Face::wink, 0.5};
    EXPECT_EQ(painted(moving), plain);
}

TEST(DetailLine, TheSuffixStaysWholeAndTheMainPartIsCut) {
    const QRectF wide(0, 0, 2000, 20);
    EXPECT_EQ((DetailLine{"", std::string("4m 05s"), 12}.suffixText()), QStringLiteral("4m 05s"));
    EXPECT_EQ((DetailLine{"refactor", std::string("4m 05s"), 12}.suffixText()), QStringLiteral(" · 4m 05s"));
    EXPECT_EQ((DetailLine{"refactor", std::string(""), 12}.suffixText()), QString());
    EXPECT_EQ((DetailLine{"refactor", std::nullopt, 12}.suffixText()), QString());

    const DetailLine both{"refactor auth flow", std::string("4m 05s"), 12};
    const DetailLine::Layout roomy = both.layout(wide);
    EXPECT_EQ(roomy.mainText, QStringLiteral("refactor auth flow"));
    EXPECT_DOUBLE_EQ(roomy.suffixRect.left(), roomy.mainRect.right());

    const DetailLine::Layout tight = both.layout(QRectF(0, 0, roomy.suffixRect.right() - 40, 20));
    EXPECT_EQ(tight.suffixText, QStringLiteral(" · 4m 05s"));
    EXPECT_TRUE(tight.mainText.endsWith(QChar(0x2026))) << tight.mainText.toStdString();
    EXPECT_LE(tight.suffixRect.right(), roomy.suffixRect.right() - 40 + 0.01);

    // However little room, a main part keeps five font sizes of width.
    const DetailLine::Layout crushed = both.layout(QRectF(0, 0, 30, 20));
    EXPECT_GE(crushed.mainRect.width(), 0);
    EXPECT_LE(crushed.mainRect.width(), 60.01);
    EXPECT_EQ((DetailLine{"", std::string("4m 05s"), 12}.layout(wide).mainRect.width()), 0);
}

ScreenBezel bezel(const std::string& sample, MotionClock clock, bool reduceMotion = false) {
    return ScreenBezel{DeviceSamples::display(sample, start), clock, reduceMotion, ScreenMetrics::device(), start};
}

TEST(ScreenBezel, TheStatusRowKeepsTheProjectsPlaceWithoutAnEventTime) {
    ScreenBezel withTime = bezel("done", {MascotMotion::done, start, true});
    ASSERT_TRUE(withTime.display.eventTime);
    EXPECT_FALSE(withTime.eventTimeText().isEmpty());
    ScreenBezel without = withTime;
    without.display.eventTime.reset();
    EXPECT_EQ(without.eventTimeText(), QString());
    const auto a = withTime.layout(QPointF(0, 0), 416);
    const auto b = without.layout(QPointF(0, 0), 416);
    EXPECT_EQ(a.project.topLeft(), b.project.topLeft());
    EXPECT_GT(b.project.width(), a.project.width());
    EXPECT_DOUBLE_EQ(b.eventTime.width(), 0);
}

TEST(ScreenBezel, TheLedIsOnWhileLiveAndBlinksWithTheNeedsYouPose) {
    ScreenBezel broke = bezel("broke", {MascotMotion::broke, start, true});
    EXPECT_EQ(broke.led().color, Tokens::broke);
    broke.display.live = false;
    EXPECT_FALSE(broke.led().on);

    ScreenBezel calling = bezel("needsyou", {MascotMotion::needsYou, start, false});
    ASSERT_TRUE(calling.display.live);
    EXPECT_EQ(calling.led().color, Tokens::acid);
    bool sawOff = false;
    bool sawOn = false;
    for (double t = 0; t < duration(MascotMotion::needsYou); t += 0.05) {
        calling.time = start.adding(t);
        const bool expected = MascotTimeline::pose(MascotMotion::needsYou, calling.clock, false, 6, calling.time).ledOn;
        EXPECT_EQ(calling.led().on, expected) << t;
        (expected ? sawOn : sawOff) = true;
    }
    EXPECT_TRUE(sawOn);
    EXPECT_TRUE(sawOff);
    // Reduce motion: the lamp simply follows the live flag.
    calling.reduceMotion = true;
    for (double t = 0; t < 2; t += 0.05) {
        calling.time = start.adding(t);
        EXPECT_TRUE(calling.led().on);
    }
}

TEST(ScreenBezel, TheMascotRowReadsAsOneElement) {
    const ScreenBezel done = bezel("done", {MascotMotion::done, start, true});
    EXPECT_EQ(done.accessibilityLabel(),
              QStringLiteral("Quorvel mascot, wink face, DONE., GO LOOK., refactor auth flow · 4m 12s"));
    StripScreen strip{done.display, done.clock, false, start};
    EXPECT_EQ(strip.accessibilityLabel(), done.accessibilityLabel());
}

TEST(ScreenBezel, TheOverlayShowsOnlyWhileAOneShotPlays) {
    EXPECT_TRUE(bezel("done", {MascotMotion::done, start, false}).showsOverlay());
    EXPECT_FALSE(bezel("done", {MascotMotion::done, start, true}).showsOverlay());
    EXPECT_FALSE(bezel("done", {MascotMotion::done, start, false}, true).showsOverlay());
    EXPECT_FALSE(bezel("done", {MascotMotion::idle, start, false}).showsOverlay());
    EXPECT_FALSE(bezel("running", {MascotMotion::running, start, false}).showsOverlay());
}

TEST(ScreenOverlay, FlashAndDimmingOverTheGlass) {
    const QRectF glass(10, 10, 100, 60);
    auto painted = [&](MascotPose pose, MascotMotion motion) {
        PaintedImage image(QSizeF(120, 80), 1, Qt::white);
        image.paint([&](QPainter& painter) { ScreenOverlay{pose, motion}.paint(painter, glass); });
        return image;
    };
    MascotPose calm;
    calm.flash = 0;
    calm.screenOn = 1;
    EXPECT_EQ(painted(calm, MascotMotion::done).image(), PaintedImage(QSizeF(120, 80), 1, Qt::white).image());

    MascotPose dark = calm;
    dark.screenOn = 0;
    const QColor dimmed = painted(dark, MascotMotion::broke).at(60, 40);
    EXPECT_NEAR(dimmed.red(), 255 * 0.15, 1.5);

    MascotPose flash = calm;
    flash.flash = 1;
    EXPECT_EQ(painted(flash, MascotMotion::done).rgb(60, 40), testing::opaque(0xC8F03C));
    EXPECT_EQ(painted(flash, MascotMotion::crashed).rgb(60, 40), testing::opaque(0xFF5A4F));
    EXPECT_EQ(painted(flash, MascotMotion::done).rgb(5, 5), qRgba(255, 255, 255, 255));  // outside the glass
}

}  // namespace
}  // namespace quorvel
