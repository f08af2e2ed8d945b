#include <gtest/gtest.h>

#include <vector>

#include <QImage>
#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/Controls.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/PressTracker.hpp"

namespace quorvel {
namespace {

constexpr double width = 416;
const QRectF frame(10, 20, width, 200);

struct Recorder {
    std::vector<DeviceControls> changes;
    std::vector<DeviceControls> settled;
    int testAlarms = 0;
    int ejects = 0;

    Controls::Actions actions() {
        return {[this](const DeviceControls& c) { changes.push_back(c); },
                [this](const DeviceControls& c) { settled.push_back(c); }, [this] { ++testAlarms; },
                [this] { ++ejects; }};
    }
};

Controls panel(Recorder& recorder, bool acknowledgeable = true, bool alarm = false) {
    Controls controls;
    controls.controls = DeviceControls::standard();
    controls.acknowledgeable = acknowledgeable;
    controls.alarm = alarm;
    controls.actions = recorder.actions();
    return controls;
}

QPointF centreOf(const QRectF& local) { return local.center() + frame.topLeft(); }

/// A click the way a window makes one: press, then release at `releaseAt`.
void click(const Controls& controls, QPointF pressAt, QPointF releaseAt) {
    if (const auto held = controls.press(frame, pressAt)) controls.release(*held, frame, releaseAt);
}

TEST(Controls, PadsFlipTheirOwnFlagAndSettleAtOnce) {
    Recorder recorder;
    const Controls controls = panel(recorder);
    const auto parts = controls.layout(width);

    click(controls, centreOf(parts.claudePad), centreOf(parts.claudePad));
    click(controls, centreOf(parts.failsOnlyPad), centreOf(parts.failsOnlyPad));

    DeviceControls claudeOff = DeviceControls::standard();
    claudeOff.claude = false;
    DeviceControls failsOnly = DeviceControls::standard();
    failsOnly.failsOnly = true;
    EXPECT_EQ(recorder.changes, (std::vector<DeviceControls>{claudeOff, failsOnly}));
    EXPECT_EQ(recorder.settled, recorder.changes);
}

TEST(Controls, ReleasingAwayFromTheTargetDoesNothing) {
    Recorder recorder;
    const Controls controls = panel(recorder);
    const auto parts = controls.layout(width);

    click(controls, centreOf(parts.shellPad), centreOf(parts.claudePad));
    click(controls, centreOf(parts.testAlarmKey), QPointF(-50, -50));

    EXPECT_TRUE(recorder.changes.empty());
    EXPECT_EQ(recorder.testAlarms, 0);
}

TEST(Controls, SeenItTakesClicksOnlyWhileSomethingIsAcknowledgeable) {
    Recorder recorder;
    const auto parts = panel(recorder).layout(width);
    const QPointF seenIt = centreOf(parts.seenItKey);

    const Controls idle = panel(recorder, false, true);
    EXPECT_EQ(idle.hitTest(frame, seenIt), std::nullopt);
    click(idle, seenIt, seenIt);
    idle.activate(ControlsTarget::seenItKey);
    EXPECT_EQ(recorder.ejects, 0);

    const Controls done = panel(recorder, true);
    click(done, seenIt, seenIt);
    click(done, centreOf(parts.testAlarmKey), centreOf(parts.testAlarmKey));
    EXPECT_EQ(recorder.ejects, 1);
    EXPECT_EQ(recorder.testAlarms, 1);
}

TEST(Controls, AFaderDragChangesLiveAndSettlesOnceOnRelease) {
    Recorder recorder;
    const Controls controls = panel(recorder);
    const QRectF fader = controls.layout(width).fader;
    const QPointF top = frame.topLeft() + fader.topLeft();

    const auto held = controls.press(frame, top + QPointF(20, 59));
    ASSERT_EQ(held, ControlsTarget::fader);
    controls.drag(*held, frame, top + QPointF(20, 40));
    controls.drag(*held, frame, top + QPointF(400, -200));  // far off the fader: still dragging
    controls.release(*held, frame, top + QPointF(400, -200));

    ASSERT_EQ(recorder.changes.size(), 4u);
    EXPECT_DOUBLE_EQ(recorder.changes[0].volume, 0.5);
    EXPECT_DOUBLE_EQ(recorder.changes[2].volume, 1.0);
    ASSERT_EQ(recorder.settled.size(), 1u);
    EXPECT_DOUBLE_EQ(recorder.settled[0].volume, 1.0);
    EXPECT_TRUE(recorder.settled[0].claude);
}

TEST(Controls, AHeldKeyKeepsItsLaidOutHeight) {
    Recorder recorder;
    Controls controls = panel(recorder);
    const auto resting = controls.layout(width);
    controls.pressedKey = ControlsTarget::testAlarmKey;
    const auto held = controls.layout(width);
    EXPECT_EQ(held.testAlarmKey, resting.testAlarmKey);
    EXPECT_EQ(held.size, resting.size);
    // The keys row sits 14 points under the pads; the fader column and the keys share the top.
    EXPECT_DOUBLE_EQ(resting.testAlarmKey.top(), resting.claudePad.bottom() + 14);
    EXPECT_DOUBLE_EQ(resting.fader.top(), 0);
    EXPECT_DOUBLE_EQ(resting.claudePad.width(), resting.failsOnlyPad.width());
    EXPECT_DOUBLE_EQ(resting.seenItKey.right(), width);
}

QColor colourOfSeenIt(bool alarm, bool acknowledgeable) {
    Recorder recorder;
    const Controls controls = panel(recorder, acknowledgeable, alarm);
    const auto parts = controls.layout(width);
    QImage image(static_cast<int>(width), static_cast<int>(parts.size.height()) + 8, QImage::Format_ARGB32_Premultiplied);
    image.fill(drawing::toQColor(Tokens::chassis));
    QPainter painter(&image);
    controls.paint(painter, QRectF(0, 0, width, parts.size.height()));
    painter.end();
    // A point of the face beside the legend.
    return image.pixelColor(static_cast<int>(parts.seenItKey.left() + 8), static_cast<int>(parts.seenItKey.top() + 12));
}

TEST(Controls, SeenItIsRedForAFailureAndFadedWhenNothingIsAcknowledgeable) {
    const QColor acid = drawing::toQColor(Tokens::acid);
    const QColor broke = drawing::toQColor(Tokens::broke);
    EXPECT_NEAR(colourOfSeenIt(false, true).red(), acid.red(), 8);
    EXPECT_NEAR(colourOfSeenIt(false, true).green(), acid.green(), 8);
    EXPECT_NEAR(colourOfSeenIt(true, true).red(), broke.red(), 8);
    EXPECT_NEAR(colourOfSeenIt(true, true).green(), broke.green(), 8);

    // At 40 % over the casing, whatever the alarm says: 0.4 x face + 0.6 x chassis.
    const QColor chassis = drawing::toQColor(Tokens::chassis);
    EXPECT_NEAR(colourOfSeenIt(false, false).green(), 0.4 * acid.green() + 0.6 * chassis.green(), 6);
    EXPECT_NEAR(colourOfSeenIt(true, false).green(), 0.4 * broke.green() + 0.6 * chassis.green(), 6);
}

TEST(PressTracker, ActsOnlyWhenReleasedOverThePressedTarget) {
    PressTracker<int> tracker;
    tracker.press(1);
    EXPECT_EQ(tracker.shownPressed(), 1);
    tracker.move(2);
    EXPECT_EQ(tracker.shownPressed(), std::nullopt);
    tracker.move(1);
    EXPECT_EQ(tracker.release(1), 1);
    EXPECT_EQ(tracker.held(), std::nullopt);

    tracker.press(1);
    EXPECT_EQ(tracker.release(2), std::nullopt);
    tracker.press(std::nullopt);
    EXPECT_EQ(tracker.release(std::nullopt), std::nullopt);
}

}  // namespace
}  // namespace quorvel
