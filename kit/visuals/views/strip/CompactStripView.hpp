#pragma once
// The small form of the device: a 660 x 124 rack unit in the same oblique box, with a rack
// ear at each end, the logo, a short screen with the mascot and the headline, and the keys
// SEEN IT and EDIT. It draws the same snapshot as the device and reports user actions through
// its actions; it owns no model.
//
// Like `DeviceView`: a value built from the snapshot, the actions, an optional frozen time, the
// face's moment and the host's view state; fixed size; plain-geometry pointer handling in its
// own coordinates. Keys act on release over the key they went down on. Main thread only.
#include <functional>
#include <optional>
#include <vector>

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/views/device/ObliqueShell.hpp"
#include "kit/visuals/views/kit/AccessibleControl.hpp"
#include "kit/visuals/views/kit/KeyStyle.hpp"
#include "kit/visuals/views/kit/PointerState.hpp"
#include "kit/visuals/views/mascot/FaceMoment.hpp"
#include "kit/visuals/views/strip/RackEar.hpp"

class QPainter;

namespace quorvel {

enum class StripTarget { seenIt, edit, hide, expand };

/// View state the host of a strip keeps for as long as the face lives.
using CompactStripState = PointerState<StripTarget>;

class CompactStripView {
public:
    struct Actions {
        /// SEEN IT: acknowledge the shown state.
        std::function<void()> onEject;
        std::function<void()> onEdit;
        std::function<void()> onHide;
        /// The right ear's key that swaps to the full device; unset: a slot instead.
        std::function<void()> onExpand;
    };
    using State = CompactStripState;

    struct Layout {
        QRectF shell;
        QRectF face;
        RackEar::Layout leftEar;
        QRectF logoMascot;
        QRectF logo;
        QRectF screen;
        QRectF seenIt;
        QRectF edit;
        RackEar::Layout rightEar;
    };

    static constexpr double faceWidth = 660;
    static constexpr double faceHeight = 124;
    static constexpr double padding = 3;
    static constexpr double spacing = 14;
    static constexpr double keysWidth = 98;
    static constexpr double keySpacing = 10;
    static constexpr double logoMascotScale = 3;
    static constexpr double logoSize = 30;
    static constexpr double logoHeight = 24;
    static constexpr double logoSpacing = 6;
    static constexpr double disabledOpacity = 0.4;
    static constexpr ObliqueShell shell{14, 9};

    DeviceDisplay display;
    Actions actions;
    std::optional<double> frozenAt;
    FaceMoment moment;
    State state;

    CompactStripView(DeviceDisplay display, Actions actions, std::optional<double> frozenAt = {},
                     FaceMoment moment = {}, State state = {});

    static QSizeF size();
    static Layout layout();

    MotionClock clock() const { return moment.clockFor(display, frozenAt); }
    /// SEEN IT in the broke colours for a broken display, else acid; EDIT in the panel colours.
    KeyStyle seenItStyle() const;
    static KeyStyle editStyle();

    RackEar leftEar() const { return RackEar{false, false, std::nullopt}; }
    RackEar rightEar() const;

    std::optional<StripTarget> hitTest(QPointF point) const;
    QString toolTip(QPointF point, HideKey::Recall recall) const;

    void hover(std::optional<QPointF> point, State& state) const;
    void press(QPointF point, State& state) const;
    void drag(QPointF point, State& state) const;
    void release(QPointF point, State& state) const;
    void cancel(State& state) const { state.press.cancel(); }

    /// The keys as assistive tools see them, in reading order, named as drawn; a press calls
    /// the key's action. SEEN IT takes none while nothing is acknowledgeable. (The strip's
    /// presses leave `state` alone.)
    std::vector<AccessibleControl> accessibleControls(State& state) const;

    /// The part of the drawing the motion changes: the screen, with a little casing around it.
    static QRect screenArea();

    /// Paints the whole drawing: the floor shadow and the shell, the casing, the ears, the
    /// logo, the screen, the keys and the casing's border over them. Under a clip within
    /// `screenArea()` only the casing, the screen and the border, which are all that lie there:
    /// the same pixels.
    void paint(QPainter& painter) const;

private:
    void activate(StripTarget target) const;
};

}  // namespace quorvel
