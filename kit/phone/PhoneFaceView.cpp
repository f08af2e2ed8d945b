#include "kit/phone/PhoneFaceView.hpp"

#include <QPainter>
#include <algorithm>

#include "kit/phone/PhoneHeader.hpp"
#include "kit/visuals/views/device/DiskDrive.hpp"
#include "kit/visuals/views/device/ScreenBezel.hpp"
#include "kit/visuals/views/kit/Layer.hpp"

namespace quorvel {
namespace {

const QString testAlarmLegend = QStringLiteral("TEST THE ALARM");
const QString seenItLegend = QStringLiteral("SEEN IT");

}  // namespace

const DriveMetrics& PhoneFaceView::driveMetrics() {
    static const DriveMetrics metrics{
        .plate = {210, 38},
        .plateY = 34,
        .mouth = {128, 12},
        .mouthY = 46,
        .lipHeight = 6,
        .inY = 52,
        .rise = 46,
        .ledX = 226,
        .ledY = 48,
        .dymoX = 244,
        .dymoY = 44,
        .height = 76,
    };
    return metrics;
}

KeyStyle PhoneFaceView::testAlarmStyle() { return KeyStyle(KeyStyle::Look::panel, KeyStyle::Size::phone); }

KeyStyle PhoneFaceView::seenItStyle() const {
    return KeyStyle(display.broke ? KeyStyle::Look::broke : KeyStyle::Look::acid, KeyStyle::Size::phone);
}

PhoneFaceView::PhoneFaceView(DeviceDisplay display, Actions actions, std::optional<double> frozenAt,
                             FaceMoment moment, State state)
    : display(std::move(display)),
      actions(std::move(actions)),
      frozenAt(frozenAt),
      moment(moment),
      state(std::move(state)) {}

TabBlock PhoneFaceView::tabBlock() const {
    TabBlock block =
        TabBlock::onFace(display, tabHeight, moment.reduceMotion, state.tab, state.tabSwitch, moment.time);
    block.actions.onSeeAll = actions.onSeeAll;
    block.actions.onRowTap = actions.onRowTap;
    return block;
}

PhoneFaceView::Layout PhoneFaceView::layout(double faceWidth) const {
    const double inner = std::max(0.0, faceWidth - 2 * margin);
    Layout result;
    double y = 0;
    result.header = QRectF(margin, y, inner, PhoneHeader::height);
    y = result.header.bottom() + stackSpacing;
    result.screen = QRectF(margin, y, inner, ScreenBezel::height(screenMetrics()));
    y = result.screen.bottom() + stackSpacing;
    result.tabBlock = QRectF(margin, y, inner, tabBlock().height(inner));
    y = result.tabBlock.bottom() + stackSpacing;

    // The two keys share the row; they keep their resting height while held, so nothing moves.
    const double keyWidth = std::max(0.0, (inner - keySpacing) / 2);
    const double keyHeight = std::max(testAlarmStyle().height(false), seenItStyle().height(false));
    result.testAlarmKey = QRectF(margin, y, keyWidth, keyHeight);
    result.seenItKey = QRectF(margin + keyWidth + keySpacing, y, keyWidth, keyHeight);
    y = result.testAlarmKey.bottom() + stackSpacing;
    result.drive = QRectF(margin, y, inner, driveMetrics().height);
    result.size = QSizeF(std::max(faceWidth, 2 * margin), result.drive.bottom());
    return result;
}

std::optional<PhoneFaceTarget> PhoneFaceView::hitTest(QPointF point, double faceWidth) const {
    const Layout parts = layout(faceWidth);
    if (parts.testAlarmKey.contains(point)) return PhoneFaceTarget{PhoneFaceTarget::Kind::testAlarmKey, {}};
    if (parts.seenItKey.contains(point)) {
        if (!display.acknowledgeable) return std::nullopt;
        return PhoneFaceTarget{PhoneFaceTarget::Kind::seenItKey, {}};
    }
    if (const auto target = tabBlock().hitTest(parts.tabBlock, point)) {
        return PhoneFaceTarget{PhoneFaceTarget::Kind::tabBlock, *target};
    }
    return std::nullopt;
}

void PhoneFaceView::press(QPointF point, State& state, double faceWidth) const {
    state.press.press(hitTest(point, faceWidth));
}

void PhoneFaceView::drag(QPointF point, State& state, double faceWidth) const {
    state.press.move(hitTest(point, faceWidth));
}

void PhoneFaceView::release(QPointF point, State& state, double faceWidth) const {
    if (const auto target = state.press.release(hitTest(point, faceWidth))) activate(*target, state);
}

void PhoneFaceView::activate(const PhoneFaceTarget& target, State& state) const {
    switch (target.kind) {
        case PhoneFaceTarget::Kind::testAlarmKey:
            if (actions.onTestAlarm) actions.onTestAlarm();
            return;
        case PhoneFaceTarget::Kind::seenItKey:
            if (display.acknowledgeable && actions.onEject) actions.onEject();
            return;
        case PhoneFaceTarget::Kind::tabBlock:
            return tabBlock().activateOnFace(target.tabBlock, state.tab, state.tabSwitch, moment.time);
    }
}

bool PhoneFaceView::animatesTabs(State& state, Instant now) {
    return tabSwitchRuns(state.tabSwitch, now);
}

void PhoneFaceView::paint(QPainter& painter, double faceWidth) const {
    const Layout parts = layout(faceWidth);
    PhoneHeader::paint(painter, parts.header.topLeft(), parts.header.width());

    const MotionClock faceClock = clock();
    ScreenBezel{display, faceClock, moment.reduceMotion, screenMetrics(), moment.time}.paint(
        painter, parts.screen.topLeft(), parts.screen.width());
    tabBlock().paint(painter, parts.tabBlock);

    const auto held = state.press.shownPressed();
    auto isHeld = [&](PhoneFaceTarget::Kind kind) { return held && held->kind == kind; };
    testAlarmStyle().paint(painter, parts.testAlarmKey, testAlarmLegend, isHeld(PhoneFaceTarget::Kind::testAlarmKey));
    const KeyStyle seenIt = seenItStyle();
    // One group at 40 %: the key's face, depth and legend must not show through each other.
    drawing::paintWithOpacity(painter, parts.seenItKey.adjusted(-2, -2, 2, 2),
                              display.acknowledgeable ? 1.0 : disabledOpacity, [&](QPainter& layer) {
                                  seenIt.paint(layer, parts.seenItKey, seenItLegend,
                                               isHeld(PhoneFaceTarget::Kind::seenItKey));
                              });

    DiskDrive{display, faceClock, moment.reduceMotion, driveMetrics()}.paint(painter, parts.drive.topLeft(),
                                                                           moment.time);
}

}  // namespace quorvel
