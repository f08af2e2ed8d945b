#include "kit/visuals/views/device/Controls.hpp"

#include <algorithm>

#include <QPainter>

#include "kit/engine/CopyBook.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/Pad.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Layer.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

drawing::TextStyle readoutStyle() {
    return drawing::TextStyle{Fonts::mono(true, 10), 0.4, drawing::toQColor(Tokens::dim),
                              Qt::AlignCenter, 1};
}

const QString testAlarmLegend = QStringLiteral("TEST THE ALARM");
const QString seenItLegend = QString::fromUtf8(CopyBook::seenIt.data(), static_cast<qsizetype>(CopyBook::seenIt.size()));

// The three pads, left to right: legend, the control each flips, and where each stands.
struct PadEntry {
    ControlsTarget target;
    const char* legend;
    bool DeviceControls::*field;
    QRectF Controls::Layout::*frame;
};
constexpr PadEntry pads[] = {
    {ControlsTarget::claudePad, "CLAUDE", &DeviceControls::claude, &Controls::Layout::claudePad},
    {ControlsTarget::shellPad, "SHELL", &DeviceControls::shell, &Controls::Layout::shellPad},
    {ControlsTarget::failsOnlyPad, "FAILS ONLY", &DeviceControls::failsOnly, &Controls::Layout::failsOnlyPad},
};

}  // namespace

KeyStyle Controls::testAlarmStyle() { return KeyStyle(KeyStyle::Look::panel, KeyStyle::Size::mac); }

KeyStyle Controls::seenItStyle() const {
    return KeyStyle(alarm ? KeyStyle::Look::broke : KeyStyle::Look::acid, KeyStyle::Size::mac);
}

Controls::Layout Controls::layout(double width) const {
    const auto style = readoutStyle();
    const QString text = Fader::readout(controls.volume);
    const QSizeF readoutSize = drawing::naturalSize(text, style);
    const double firstWidth = std::max(Fader::width, readoutSize.width());
    const double firstHeight = Fader::height + readoutSpacing + readoutSize.height();

    Layout result;
    result.fader = QRectF(QPointF((firstWidth - Fader::width) / 2, 0), Fader::size());
    result.readout = QRectF((firstWidth - readoutSize.width()) / 2, Fader::height + readoutSpacing,
                            readoutSize.width(), readoutSize.height());

    const double secondX = firstWidth + columnSpacing;
    const double secondWidth = std::max(0.0, width - secondX);
    const double padWidth = std::max(0.0, (secondWidth - 2 * itemSpacing) / 3);
    const double padHeight = Pad::height();
    result.claudePad = QRectF(secondX, 0, padWidth, padHeight);
    result.shellPad = QRectF(secondX + padWidth + itemSpacing, 0, padWidth, padHeight);
    result.failsOnlyPad = QRectF(secondX + 2 * (padWidth + itemSpacing), 0, padWidth, padHeight);

    // Keys keep their resting height while held, so nothing around them moves.
    const double keyHeight = std::max(testAlarmStyle().height(false), seenItStyle().height(false));
    const double keyWidth = std::max(0.0, (secondWidth - itemSpacing) / 2);
    const double keyY = padHeight + rowSpacing;
    result.testAlarmKey = QRectF(secondX, keyY, keyWidth, keyHeight);
    result.seenItKey = QRectF(secondX + keyWidth + itemSpacing, keyY, keyWidth, keyHeight);

    result.size = QSizeF(std::max(width, secondX), std::max(firstHeight, keyY + keyHeight));
    return result;
}

Fader Controls::fader() const {
    Fader fader;
    fader.value = controls.volume;
    auto withVolume = [controls = controls](double volume) {
        DeviceControls changed = controls;
        changed.volume = volume;
        return changed;
    };
    fader.actions.onDragChanged = [this, withVolume](double volume) {
        if (actions.onChange) actions.onChange(withVolume(volume));
    };
    fader.actions.onDragEnded = [this, withVolume](double volume) {
        if (actions.onChange) actions.onChange(withVolume(volume));
        if (actions.onSettled) actions.onSettled(withVolume(volume));
    };
    fader.actions.onStep = fader.actions.onDragEnded;
    return fader;
}

std::optional<ControlsTarget> Controls::hitTest(const QRectF& frame, QPointF point) const {
    const Layout parts = layout(frame.width());
    const QPointF local = point - frame.topLeft();
    if (parts.fader.contains(local)) return ControlsTarget::fader;
    for (const PadEntry& pad : pads) {
        if (Pad::contains(parts.*pad.frame, local)) return pad.target;
    }
    if (parts.testAlarmKey.contains(local)) return ControlsTarget::testAlarmKey;
    if (acknowledgeable && parts.seenItKey.contains(local)) return ControlsTarget::seenItKey;
    return std::nullopt;
}

std::optional<ControlsTarget> Controls::press(const QRectF& frame, QPointF point) const {
    const auto target = hitTest(frame, point);
    if (target == ControlsTarget::fader) {
        fader().press(point - frame.topLeft() - layout(frame.width()).fader.topLeft());
    }
    return target;
}

void Controls::drag(ControlsTarget held, const QRectF& frame, QPointF point) const {
    if (held != ControlsTarget::fader) return;
    fader().drag(point - frame.topLeft() - layout(frame.width()).fader.topLeft());
}

void Controls::release(ControlsTarget held, const QRectF& frame, QPointF point) const {
    if (held == ControlsTarget::fader) {
        fader().release(point - frame.topLeft() - layout(frame.width()).fader.topLeft());
        return;
    }
    if (hitTest(frame, point) == held) activate(held);
}

void Controls::activate(ControlsTarget target) const {
    auto flip = [this](bool DeviceControls::*field) {
        DeviceControls changed = controls;
        changed.*field = !(controls.*field);
        if (actions.onChange) actions.onChange(changed);
        if (actions.onSettled) actions.onSettled(changed);
    };
    for (const PadEntry& pad : pads) {
        if (pad.target == target) return flip(pad.field);
    }
    switch (target) {
        case ControlsTarget::fader:
        case ControlsTarget::claudePad:
        case ControlsTarget::shellPad:
        case ControlsTarget::failsOnlyPad: return;
        case ControlsTarget::testAlarmKey:
            if (actions.onTestAlarm) actions.onTestAlarm();
            return;
        case ControlsTarget::seenItKey:
            if (acknowledgeable && actions.onEject) actions.onEject();
            return;
    }
}

std::vector<AccessibleTarget<ControlsTarget>> Controls::accessibleControls(const QRectF& frame) const {
    const Layout parts = layout(frame.width());
    const QPointF origin = frame.topLeft();
    std::vector<AccessibleTarget<ControlsTarget>> all;
    all.push_back({{Fader::accessibilityLabel(), QAccessible::Slider, Fader::accessibilityValue(controls.volume),
                    parts.fader.translated(origin)},
                   std::nullopt});
    for (const PadEntry& pad : pads) {
        const bool on = controls.*pad.field;
        AccessibleControl control{QString::fromUtf8(pad.legend), QAccessible::CheckBox,
                                  on ? QStringLiteral("on") : QStringLiteral("off"), (parts.*pad.frame).translated(origin)};
        control.checkable = true;
        control.checked = on;
        all.push_back({control, pad.target});
    }
    all.push_back({{testAlarmLegend, QAccessible::Button, {}, parts.testAlarmKey.translated(origin)},
                   ControlsTarget::testAlarmKey});
    AccessibleControl seenIt{seenItLegend, QAccessible::Button, {}, parts.seenItKey.translated(origin)};
    seenIt.enabled = acknowledgeable;
    all.push_back({seenIt, acknowledgeable ? std::optional(ControlsTarget::seenItKey) : std::nullopt});
    return all;
}

void Controls::paint(QPainter& painter, const QRectF& frame) const {
    const Layout parts = layout(frame.width());
    painter.save();
    painter.translate(frame.topLeft());

    fader().paint(painter, parts.fader.topLeft());
    drawing::drawTextLine(painter, parts.readout, Fader::readout(controls.volume), readoutStyle());

    for (const PadEntry& pad : pads) {
        Pad{QString::fromUtf8(pad.legend), controls.*pad.field, {}}.paint(painter, parts.*pad.frame);
    }

    testAlarmStyle().paint(painter, parts.testAlarmKey, testAlarmLegend,
                           pressedKey == ControlsTarget::testAlarmKey);
    const bool seenItHeld = acknowledgeable && pressedKey == ControlsTarget::seenItKey;
    const KeyStyle seenIt = seenItStyle();
    // Depth and outline reach a little past the key's frame; the group layer must hold them.
    const QRectF seenItBounds = parts.seenItKey.adjusted(-2, -2, 2, 2);
    drawing::paintWithOpacity(painter, seenItBounds, acknowledgeable ? 1.0 : disabledOpacity,
                              [&](QPainter& layer) {
                                  seenIt.paint(layer, parts.seenItKey, seenItLegend, seenItHeld);
                              });
    painter.restore();
}

}  // namespace quorvel
