#pragma once
// The control panel of the device: the volume fader with its readout, three latching pads
// (CLAUDE, SHELL, FAILS ONLY) and two push keys (TEST THE ALARM, SEEN IT).
//
// A value built from the user's controls, two flags of the display and actions; it keeps no
// state. Edits come back as whole `DeviceControls` values: `onChange` for every edit as it
// happens (show it at once), `onSettled` when an edit is over (a pad flip, a volume step, the
// end of a fader drag): store only the settled ones, so a drag writes the defaults once.
//
// Pointer handling is plain geometry in the panel's frame: `press` on the fader starts a drag
// that `drag` follows and `release` ends; a press on a key or pad acts on `release` only when
// the pointer is let go over the same target (keep it in a `PressTracker` to draw the key held).
// SEEN IT takes no pointer while nothing is acknowledgeable. Main thread only.
#include <functional>
#include <optional>
#include <vector>

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "kit/engine/DeviceControls.hpp"
#include "kit/visuals/views/device/Fader.hpp"
#include "kit/visuals/views/kit/AccessibleControl.hpp"
#include "kit/visuals/views/kit/KeyStyle.hpp"

class QPainter;

namespace quorvel {

enum class ControlsTarget { fader, claudePad, shellPad, failsOnlyPad, testAlarmKey, seenItKey };

class Controls {
public:
    struct Actions {
        std::function<void(const DeviceControls&)> onChange;
        std::function<void(const DeviceControls&)> onSettled;
        std::function<void()> onTestAlarm;
        std::function<void()> onEject;
    };

    /// Where everything stands, relative to the panel's top-left.
    struct Layout {
        QRectF fader;
        QRectF readout;
        QRectF claudePad;
        QRectF shellPad;
        QRectF failsOnlyPad;
        QRectF testAlarmKey;
        QRectF seenItKey;
        QSizeF size;
    };

    static constexpr double columnSpacing = 18;
    static constexpr double readoutSpacing = 6;
    static constexpr double rowSpacing = 14;
    static constexpr double itemSpacing = 10;
    /// Opacity of SEEN IT while there is nothing to acknowledge.
    static constexpr double disabledOpacity = 0.4;

    DeviceControls controls;
    /// The display shows a failure: SEEN IT turns red.
    bool alarm = false;
    /// There is something to acknowledge: SEEN IT takes clicks.
    bool acknowledgeable = false;
    /// The key drawn held down, if any (pads and the fader have no held look).
    std::optional<ControlsTarget> pressedKey;
    Actions actions;

    /// The layout for a panel `width` points wide; its height follows the content.
    Layout layout(double width) const;
    double height(double width) const { return layout(width).size.height(); }

    static KeyStyle testAlarmStyle();
    /// broke colours while `alarm`, else acid; size mac.
    KeyStyle seenItStyle() const;

    /// The fader as this panel draws it, wired to the actions; it refers to this panel and
    /// must not outlive it.
    Fader fader() const;

    std::optional<ControlsTarget> hitTest(const QRectF& frame, QPointF point) const;

    /// The pointer went down: the target the gesture holds, or nothing. A press on the fader
    /// already sets the volume.
    std::optional<ControlsTarget> press(const QRectF& frame, QPointF point) const;
    /// The pointer moved while `held` is held down.
    void drag(ControlsTarget held, const QRectF& frame, QPointF point) const;
    /// The pointer was let go.
    void release(ControlsTarget held, const QRectF& frame, QPointF point) const;

    /// What a click on `target` does (keys, pads; nothing for the fader, nor for SEEN IT while
    /// nothing is acknowledgeable).
    void activate(ControlsTarget target) const;

    /// The fader, the pads and the keys of a panel at `frame` as assistive tools see them,
    /// named with the legends drawn on them; the fader is only read (its value is the volume).
    std::vector<AccessibleTarget<ControlsTarget>> accessibleControls(const QRectF& frame) const;

    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
