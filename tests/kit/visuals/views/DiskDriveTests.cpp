#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/DiskDrive.hpp"
#include "kit/visuals/views/device/FloppyLabelView.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {
namespace {

const Instant start = Instant::fromUnixSeconds(1'800'000'000);

DiskDrive drive(const std::string& sample, MotionClock clock, bool reduceMotion = false) {
    return DiskDrive{DeviceSamples::display(sample, start), clock, reduceMotion, DriveMetrics::mac()};
}

const MotionClock playingDone{MascotMotion::done, start, false};

TEST(DiskDrive, DeviceMetricsLetTheBigFloppyRiseFifteenPointsAboveTheDrive) {
    const DriveMetrics& mac = DriveMetrics::mac();
    EXPECT_DOUBLE_EQ(DiskDrive::floppyWidth(), 108);
    EXPECT_DOUBLE_EQ(DiskDrive::floppyHeight(), 96);
    EXPECT_DOUBLE_EQ(mac.rise, 67);
    EXPECT_DOUBLE_EQ(mac.mouthX(), 66);

    const DiskDrive done = drive("done", {MascotMotion::done, start, true});
    const auto pose = done.floppyPose(start);
    ASSERT_TRUE(pose);
    EXPECT_EQ(done.floppyRect(*pose), QRectF(76, -15, 108, 96));
    EXPECT_EQ(done.layout().floppyWindow, QRectF(0, -15, 260, 67));
    EXPECT_DOUBLE_EQ(done.paintedBounds(416).top(), -15);
    EXPECT_DOUBLE_EQ(done.layout().led.width(), 9);
}

TEST(DiskDrive, FloppyFollowsTheDoneMotionWhilePlayingAndRestsOutAfterwards) {
    const DiskDrive playing = drive("done", playingDone);
    EXPECT_EQ(playing.floppyPose(start.adding(1.0)), MascotPose::compute(false, MascotMotion::done, 1.0));
    EXPECT_EQ(playing.floppyPose(start.adding(1.5)), MascotPose::compute(false, MascotMotion::done, 1.5));
    EXPECT_EQ(playing.floppyPose(start.adding(5)), MascotPose::compute(false, MascotMotion::done, 3.2));
    EXPECT_EQ(playing.floppyPose(start.adding(-2)), MascotPose::compute(false, MascotMotion::done, 0));
    EXPECT_TRUE(playing.animates());

    const MascotPose rest = MascotPose::still(MascotMotion::done);
    EXPECT_DOUBLE_EQ(rest.floppyOut, 1);
    EXPECT_DOUBLE_EQ(rest.clickOpacity, 0);
    EXPECT_EQ(drive("done", {MascotMotion::done, start, true}).floppyPose(start), rest);
    EXPECT_EQ(drive("done", playingDone, true).floppyPose(start.adding(0.1)), rest);

    // The clock still on the motion before done: the floppy waits inside.
    const DiskDrive waiting = drive("done", {MascotMotion::running, start, false});
    EXPECT_EQ(waiting.floppyPose(start.adding(2)), MascotPose::compute(false, MascotMotion::done, 0));
    EXPECT_FALSE(waiting.animates());

    // No floppy out: nothing to draw, whatever the clock says.
    EXPECT_EQ(drive("running", playingDone).floppyPose(start.adding(1.5)), std::nullopt);
}

TEST(DiskDrive, RedrawsOnlyWhileTheFloppyMoves) {
    const DiskDrive playing = drive("done", playingDone);
    const auto next = playing.nextRedraw(start.adding(1.4));
    ASSERT_TRUE(next);
    EXPECT_GT(*next, start.adding(1.4));
    EXPECT_LE(*next, start.adding(3.2));

    EXPECT_EQ(drive("done", {MascotMotion::done, start, true}).nextRedraw(start), std::nullopt);
    EXPECT_EQ(drive("done", playingDone, true).nextRedraw(start), std::nullopt);
    EXPECT_EQ(drive("idle", {MascotMotion::idle, start, false}).nextRedraw(start), std::nullopt);
}

QImage painted(const DiskDrive& drive, Instant at) {
    QImage image(416, 100, QImage::Format_ARGB32_Premultiplied);
    image.fill(drawing::toQColor(Tokens::chassis));
    QPainter painter(&image);
    drive.paint(painter, QPointF(0, 20), at);
    return image;
}

TEST(DiskDrive, LedAndDymoTellABrokenDisplay) {
    EXPECT_EQ(DiskDrive::dymoText(true), "NOT TODAY");
    EXPECT_EQ(DiskDrive::dymoText(false), "NO BABYSITTING");

    const QPoint ledCentre(280 + 4, 20 + 46 + 4);
    const QColor broke = painted(drive("broke", {MascotMotion::broke, start, true}), start).pixelColor(ledCentre);
    const QColor calm = painted(drive("running", {MascotMotion::running, start, false}), start).pixelColor(ledCentre);
    EXPECT_EQ(broke.rgb(), drawing::toQColor(Tokens::broke).rgb());
    EXPECT_EQ(calm.rgb(), drawing::toQColor(Tokens::acid).rgb());

    DeviceDisplay offline = DeviceSamples::display("broke", start);
    offline.live = false;
    const QColor dark = painted(DiskDrive{offline, {MascotMotion::broke, start, true}, false, DriveMetrics::mac()}, start)
                            .pixelColor(ledCentre);
    EXPECT_EQ(dark.rgb(), drawing::toQColor(Tokens::steel).rgb());
}

TEST(DiskDrive, DrawsTheFloppyAboveTheSlotOnlyWhenItIsOut) {
    // A point of the floppy's label, above the drive's own frame once the floppy is out.
    const QPoint aboveTheDrive(76 + 50, 20 - 5);
    const QColor chassis = drawing::toQColor(Tokens::chassis);
    EXPECT_NE(painted(drive("done", {MascotMotion::done, start, true}), start).pixelColor(aboveTheDrive).rgb(), chassis.rgb());
    EXPECT_EQ(painted(drive("running", {MascotMotion::done, start, true}), start).pixelColor(aboveTheDrive).rgb(), chassis.rgb());
    // Still in at the start of the motion: hidden under the slot.
    EXPECT_EQ(painted(drive("done", playingDone), start).pixelColor(aboveTheDrive).rgb(), chassis.rgb());
}

TEST(FloppyLabelView, CutsALongProjectButSaysAllOfIt) {
    const FloppyLabelView label{{"A-VERY-LONG-PROJECT-NAME-INDEED", "1H 02M"}};
    EXPECT_TRUE(label.shownProject().endsWith(QChar(0x2026)));
    EXPECT_LT(label.shownProject().size(), 31);
    EXPECT_EQ(label.accessibilityLabel(), "Disk label A-VERY-LONG-PROJECT-NAME-INDEED 1H 02M");

    const FloppyLabelView broken{{"TWO\nLINES", "4\tS"}};
    EXPECT_EQ(broken.shownProject(), "TWO LINES");
    EXPECT_EQ(broken.shownDuration(), "4 S");
    EXPECT_EQ(FloppyLabelView::frame({76, -15}), QRectF(86, -8, 88, 32));
}

TEST(MascotMotion, PlaysOnceForExactlyDoneBrokeAndCrashed) {
    for (const MascotMotion motion : allMascotMotions) {
        const bool oneShot = motion == MascotMotion::done || motion == MascotMotion::broke || motion == MascotMotion::crashed;
        EXPECT_EQ(playsOnce(motion), oneShot) << rawValue(motion);
    }
}

}  // namespace
}  // namespace quorvel
