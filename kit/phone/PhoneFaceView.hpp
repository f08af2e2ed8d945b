#pragma once
// The device drawn for a phone screen: one tall column of the header strip, the screen in its
// bezel, the RUNNING / FINISHED tab block, the TEST THE ALARM and SEEN IT keys side by side,
// and the floppy drive. It draws the same `DeviceDisplay` as the device and reports taps
// through its actions; it owns no model.
//
// Like `DeviceView`: a value built from the snapshot, the actions, an optional frozen time, the
// face's moment and the view state its host keeps between snapshots (`State`: selected tab,
// the key held down). A live host drives the moment with a `LiveMotionClock` at the face's
// mascot scale (`ScreenMetrics::phone().mascotScale`): it restarts the clock at every new
// motion key and finishes a one-shot after its hold time. With `frozenAt` the screen and the
// drive show the display's motion that far in and finished (the still pose).
//
// Layout, in points, for a face `width` wide: 16 points of margin on each side, the parts 18
// apart from the top down. The height follows the tab block (its SEE ALL link shows only for
// lists longer than three rows). Pointer handling is plain geometry in the face's own
// coordinates: keys act on release over the key they went down on; SEEN IT takes no pointer
// while nothing is acknowledgeable. Main thread only.
#include <functional>
#include <optional>
#include <string>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/views/device/DriveMetrics.hpp"
#include "kit/visuals/views/device/ListTab.hpp"
#include "kit/visuals/views/device/ScreenMetrics.hpp"
#include "kit/visuals/views/device/TabBlock.hpp"
#include "kit/visuals/views/device/TabTransition.hpp"
#include "kit/visuals/views/kit/KeyStyle.hpp"
#include "kit/visuals/views/kit/PressTracker.hpp"
#include "kit/visuals/views/mascot/FaceMoment.hpp"

class QPainter;

namespace quorvel {

/// What lies under the pointer on the phone face.
struct PhoneFaceTarget {
    enum class Kind { testAlarmKey, seenItKey, tabBlock };
    Kind kind = Kind::testAlarmKey;
    TabBlockTarget tabBlock;

    bool operator==(const PhoneFaceTarget&) const = default;
};

/// View state the host of a phone face keeps for as long as the face lives.
struct PhoneFaceState {
    ListTab tab = ListTab::running;
    std::optional<TabSwitch> tabSwitch;
    PressTracker<PhoneFaceTarget> press;
};

class PhoneFaceView {
public:
    struct Actions {
        std::function<void()> onTestAlarm;
        /// SEEN IT: acknowledge the shown state.
        std::function<void()> onEject;
        /// A running row was tapped: its session identifier.
        std::function<void(const std::string&)> onRowTap;
        /// The tab block's SEE ALL link, with the tab it belongs to.
        std::function<void(ListTab)> onSeeAll;
    };
    using State = PhoneFaceState;

    struct Layout {
        QRectF header;
        QRectF screen;
        QRectF tabBlock;
        QRectF testAlarmKey;
        QRectF seenItKey;
        QRectF drive;
        QSizeF size;
    };

    static constexpr double margin = 16;
    static constexpr double contentWidth = 361;
    /// The phone screen the face is made for: the content width plus both margins.
    static constexpr double width = contentWidth + 2 * margin;
    static constexpr double stackSpacing = 18;
    static constexpr double tabHeight = 40;
    static constexpr double keySpacing = 10;
    static constexpr double disabledOpacity = 0.4;

    static constexpr ScreenMetrics screenMetrics() { return ScreenMetrics::phone(); }
    /// Plate 210 x 38 at 34, mouth 128 x 12 at 46, lip 6, in at 52, rise 46, LED at (226, 48),
    /// dymo at (244, 44), height 76.
    static const DriveMetrics& driveMetrics();

    static KeyStyle testAlarmStyle();
    /// broke colours while the display shows a failure, else acid; phone size.
    KeyStyle seenItStyle() const;

    DeviceDisplay display;
    Actions actions;
    std::optional<double> frozenAt;
    FaceMoment moment;
    State state;

    PhoneFaceView(DeviceDisplay display, Actions actions, std::optional<double> frozenAt = {}, FaceMoment moment = {},
                  State state = {});

    /// The clock the screen and the drive read (frozen, or the live one).
    MotionClock clock() const { return moment.clockFor(display, frozenAt); }
    TabBlock tabBlock() const;

    /// Where everything stands on a face `faceWidth` points wide (content `faceWidth` - 32).
    Layout layout(double faceWidth = width) const;
    QSizeF size(double faceWidth = width) const { return layout(faceWidth).size; }

    std::optional<PhoneFaceTarget> hitTest(QPointF point, double faceWidth = width) const;
    void press(QPointF point, State& state, double faceWidth = width) const;
    void drag(QPointF point, State& state, double faceWidth = width) const;
    void release(QPointF point, State& state, double faceWidth = width) const;
    /// The gesture ended without a release (the window lost the pointer).
    void cancel(State& state) const { state.press.cancel(); }

    /// True while the tab slide in `state` still runs at `now`; it is dropped once over.
    static bool animatesTabs(State& state, Instant now);

    /// Paints the face with its top-left at the painter's origin; the background is the host's.
    void paint(QPainter& painter, double faceWidth = width) const;

private:
    void activate(const PhoneFaceTarget& target, State& state) const;
};

}  // namespace quorvel
