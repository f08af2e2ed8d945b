#pragma once
// The device's screen in its bezel: a status row (LED, project, event time) over the animated
// mascot beside the two-line headline and the detail line, with the flash-and-dim overlay while
// a one-shot motion plays. The device face and the phone face draw it at their own metrics.
//
// Layout, top down: the bezel (raised 3, radius 10) holds the screen (recessed glass, radius 6)
// `bezelPadding` in from its edge; the screen holds the content `screenPadding` in; 3 points of
// room under the bezel take its depth. The screen fills the width it is given. The mascot's
// glow and rise spill over the content box and are not clipped.
#include <optional>

#include <QPointF>
#include <QRectF>
#include <QString>

#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/model/MascotPose.hpp"
#include "kit/visuals/model/MotionClock.hpp"
#include "kit/visuals/views/mascot/AnimatedMascot.hpp"
#include "kit/visuals/views/mascot/FaceFade.hpp"
#include "kit/visuals/views/device/DetailLine.hpp"
#include "kit/visuals/views/kit/LED.hpp"
#include "kit/visuals/views/device/ScreenMetrics.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

struct ScreenBezel {
    DeviceDisplay display;
    MotionClock clock;
    bool reduceMotion = false;
    ScreenMetrics metrics;
    /// The moment drawn (a scheduled date while a timeline runs).
    Instant time;
    /// A face change cross-fading under reduce motion.
    std::optional<FaceFade> faceFade = std::nullopt;

    static constexpr double bottomPadding = 3;
    static constexpr double bezelDepth = 3;
    static constexpr double statusSize = 11;
    static constexpr double statusTracking = 0.66;
    static constexpr double statusSpacing = 8;
    static constexpr double ledSize = 9;
    static constexpr double detailSize = 12;
    static constexpr double minimumHeadlineScale = 0.6;

    struct Layout {
        QRectF bezel;
        QRectF screen;
        QRectF content;
        QRectF led;
        QRectF project;
        QRectF eventTime;
        QRectF mascot;
        QRectF line1;
        QRectF line2;
        QRectF detail;
        /// `eventTimeText()`, written out once for both the layout and the paint.
        QString eventTimeText;
    };

    /// The laid-out height, the room under the bezel included.
    static double height(const ScreenMetrics& metrics);
    Layout layout(QPointF topLeft, double width) const;

    /// The mascot as it stands at `time` (the pose rule of the motion timeline).
    AnimatedMascot mascot() const;
    /// The status LED's state at `time`: on while the display is live, blinking with the pose
    /// while the needs-you motion plays.
    LED led() const;
    /// The time text of the status row: the finished-time form of the event time; empty
    /// without one.
    QString eventTimeText() const;
    /// Whether the one-shot overlay is drawn, and its pose.
    bool showsOverlay() const;
    /// The mascot row as one element: the mascot's label, both headline lines and the detail.
    QString accessibilityLabel() const;
    /// The same for any screen showing `mascot` beside `display`'s headline.
    static QString rowLabel(const AnimatedMascot& mascot, const DeviceDisplay& display);

    void paint(QPainter& painter, const Layout& layout) const;
    void paint(QPainter& painter, QPointF topLeft, double width) const { paint(painter, layout(topLeft, width)); }

private:
    // The steps of `paint`, for the device's kept pictures of the glass: the plate (the bezel
    // and the empty glass, the same for every snapshot), then the status row, the mascot in its
    // pose (glow, rise and tilt spill past `layout.mascot`), both headline lines with the
    // detail (the same for every pose), and the one-shot overlay, in that order.
    friend class GlassPictures;
    static void paintPlate(QPainter& painter, const Layout& layout);
    void paintStatusRow(QPainter& painter, const Layout& layout) const;
    void paintMascot(QPainter& painter, const Layout& layout) const;
    void paintHeadline(QPainter& painter, const Layout& layout) const;
    void paintOverlay(QPainter& painter, const Layout& layout) const;
};

}  // namespace quorvel
