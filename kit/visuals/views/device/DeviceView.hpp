#pragma once
// The full device: a bevelled box in an oblique projection whose face holds the header (logo,
// model label, grille, window keys), the screen with the mascot and the headline, the RUNNING
// and FINISHED tab block, the control panel and the floppy drive. It draws one snapshot and
// reports every user action through its actions; it owns no model.
//
// A value built from the snapshot, the user's controls, the actions, an optional frozen time,
// the face's moment (live clock, time drawn, reduce motion) and the view state the host keeps
// between snapshots (`State`: selected tab, hover, the key held down). Its size is fixed
// (`size()`, the same for every snapshot). It paints with one painter into any device, and
// pointer handling is plain geometry in its own coordinates (origin at the top-left of
// `size()`): `hover`, `press`, `drag`, `release` update the host's `State` and call actions.
// A window redraws after each of them, and on `LiveMotionClock::changed`; while
// `State::tabSwitch` runs (`animatesTabs`) it redraws every frame for 0.18 s.
//
// Main thread only.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "kit/engine/DeviceControls.hpp"
#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/views/device/Controls.hpp"
#include "kit/visuals/views/device/Header.hpp"
#include "kit/visuals/views/device/ListTab.hpp"
#include "kit/visuals/views/device/ObliqueShell.hpp"
#include "kit/visuals/views/device/TabBlock.hpp"
#include "kit/visuals/views/device/TabTransition.hpp"
#include "kit/visuals/views/kit/AccessibleControl.hpp"
#include "kit/visuals/views/kit/PointerState.hpp"
#include "kit/visuals/views/mascot/FaceMoment.hpp"

class QPainter;

namespace quorvel {

/// What lies under the pointer on the device.
struct DeviceTarget {
    enum class Kind { headerKey, control, tabBlock };
    Kind kind = Kind::headerKey;
    Header::Key headerKey = Header::Key::hide;
    ControlsTarget control = ControlsTarget::fader;
    TabBlockTarget tabBlock;

    bool operator==(const DeviceTarget&) const = default;
};

/// View state the host of a device keeps for as long as the face lives.
struct DeviceViewState : PointerState<DeviceTarget> {
    ListTab tab = ListTab::running;
    /// The running slide between the lists, if any.
    std::optional<TabSwitch> tabSwitch;
};

class DeviceView {
public:
    struct Actions {
        std::function<void()> onTestAlarm;
        /// SEEN IT: acknowledge the shown state.
        std::function<void()> onEject;
        std::function<void()> onHide;
        /// The compact-strip key; unset: the header shows no such key.
        std::function<void()> onCompact;
        /// A running row was tapped: its session identifier.
        std::function<void(const std::string&)> onRowTap;
        /// Every edit of the controls as it happens (show it at once).
        std::function<void(const DeviceControls&)> onControlsChange;
        /// An edit that is over (pad flip, volume step, end of a fader drag): store it.
        std::function<void(const DeviceControls&)> onControlsSettled;
    };

    using State = DeviceViewState;

    struct Layout {
        QRectF shell;
        QRectF face;
        /// The header's row; its items are laid out in it by `headerLayout`.
        QRectF header;
        QRectF screen;  ///< the screen bezel's laid-out box
        QRectF tabBlock;
        QRectF controls;
        QRectF drive;
    };

    static constexpr double faceWidth = 460;
    static constexpr double facePadding = 22;
    static constexpr double stackSpacing = 18;
    static constexpr double tabHeight = 32;
    static constexpr ObliqueShell shell{18, 11};

    DeviceDisplay display;
    DeviceControls controls;
    Actions actions;
    /// Seconds into the current motion to freeze the picture at; absent: the live clock runs.
    std::optional<double> frozenAt;
    FaceMoment moment;
    State state;

    DeviceView(DeviceDisplay display, DeviceControls controls, Actions actions, std::optional<double> frozenAt = {},
               FaceMoment moment = {}, State state = {});

    /// The face's height: its content's (the same for every snapshot once the fonts are in).
    static double faceHeight();
    /// The whole drawing: the box, its shell and the room for the floor shadow.
    static QSizeF size();
    /// Measured at the first call (the fonts must be in by then).
    static const Layout& layout();

    /// The clock the screen and the drive read (frozen, or the live one).
    MotionClock clock() const { return moment.clockFor(display, frozenAt); }

    /// The parts as this view draws them.
    Header header() const;
    /// The header's items in its row.
    Header::Layout headerLayout() const;
    TabBlock tabBlock() const;
    Controls controlPanel() const;

    std::optional<DeviceTarget> hitTest(QPointF point) const;
    /// The tooltip at `point` (the window keys have one), empty elsewhere.
    QString toolTip(QPointF point, HideKey::Recall recall) const;

    /// The pointer moved without a button held (nothing: it left the view).
    void hover(std::optional<QPointF> point, State& state) const;
    void press(QPointF point, State& state) const;
    void drag(QPointF point, State& state) const;
    void release(QPointF point, State& state) const;
    /// The gesture ended without a release (the window lost the pointer).
    void cancel(State& state) const;

    /// True while the tab slide in `state` still runs at `now`; it is dropped once over.
    static bool animatesTabs(State& state, Instant now);

    /// Every control on the device as assistive tools see it, in reading order: the window
    /// keys, the tabs and rows, the fader, the pads and the keys. A press acts as a click would,
    /// but a tab picked this way shows at once, without the slide; presses change `state`,
    /// which must outlive them, and refer to nothing else of this view.
    std::vector<AccessibleControl> accessibleControls(State& state) const;

    /// Paints the whole drawing with its top-left at the painter's origin (the layers as
    /// `DeviceComposition` puts them together).
    void paint(QPainter& painter) const;

private:
    void activate(const DeviceTarget& target, State& state) const;
    void activateForAssistant(const DeviceTarget& target, State& state) const;
};

}  // namespace quorvel
