#pragma once
// The floppy drive under the device's screen: a bevelled plate with a dark mouth, a lip, a
// status LED and a dymo label; while a run is done, a floppy stands out of the mouth with the
// run's label, rising in step with the mascot's done motion (CLICK beside it as it comes out).
//
// A value built from the display snapshot, the device's motion clock, the reduce-motion setting
// and the metrics. It paints into any painter; the floppy may reach above the drive's frame
// (up to inY - rise, -15 with the device's metrics), so an owner must not clip the drive to its
// frame. Only the done motion, while it plays and motion is not reduced, changes the picture
// over time: `nextRedraw` says when. Main thread only.
#include <optional>

#include <QPointF>
#include <QRectF>
#include <QString>

#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/model/MascotPose.hpp"
#include "kit/visuals/model/MotionClock.hpp"
#include "kit/visuals/views/device/DriveMetrics.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

class DiskDrive {
public:
    /// The floppy picture is the big floppy map at this many points a cell.
    static constexpr double floppyCell = 6;
    /// Change times of the done motion are taken at this pixel scale.
    static constexpr double timelineScale = 6;

    /// Width and height of the floppy picture: the big floppy's columns and rows times 6
    /// (108 x 96). Computed once.
    static double floppyWidth();
    static double floppyHeight();

    /// Where the parts stand, in the drive's coordinates (frame's top-left = origin).
    struct Layout {
        QRectF plate;
        QRectF mouth;
        QRectF lip;
        QRectF led;
        /// Top-left of the dymo label before its tilt.
        QPointF dymo;
        /// The window the floppy shows through: plate width x rise, its top at inY - rise.
        QRectF floppyWindow;
    };

    DeviceDisplay display;
    MotionClock clock;
    bool reduceMotion = false;
    DriveMetrics metrics = DriveMetrics::mac();

    Layout layout() const;

    /// "NOT TODAY" for a broken display, else "NO BABYSITTING".
    static QString dymoText(bool broke);

    /// True while the floppy's picture moves: out, the done motion playing, motion not reduced.
    bool animates() const;

    /// The pose the floppy is drawn in at `date`, or nothing when no floppy is out. Finished or
    /// reduced: the done motion's rest (fully out, no CLICK). Another motion on the clock: the
    /// done motion's first pose (still in). Playing: the done motion's pose at the time since
    /// the clock's start, held to 0...3.2 s.
    std::optional<MascotPose> floppyPose(Instant date) const;

    /// The floppy picture's frame (108 x 96) for a pose, in drive coordinates; the part above
    /// the slot's window is what shows.
    QRectF floppyRect(const MascotPose& pose) const;
    /// Top-left of the CLICK text for a pose.
    QPointF clickOrigin(const MascotPose& pose) const;

    /// The first date after `after` at which the drawn floppy changes; nothing when the drive
    /// does not animate or the motion has no later change.
    std::optional<Instant> nextRedraw(Instant after) const;

    /// Everything the drive may paint, in drive coordinates, the risen floppy included.
    QRectF paintedBounds(double width) const;

    /// Paints the drive with its top-left at `origin`, as it looks at `date`.
    void paint(QPainter& painter, QPointF origin, Instant date) const;

private:
    // The steps of `paint`, for the device's kept pictures of the drive: the body (the plate
    // and the empty mouth, the same for every snapshot), then the front: the moving part (the
    // floppy as it stands at `date` with its click, and the lip over it), then the fixtures
    // (the LED and the label, which change with the snapshot only).
    friend class DrivePictures;
    void paintBody(QPainter& painter, QPointF origin) const;
    void paintFront(QPainter& painter, QPointF origin, Instant date) const;
    void paintMoving(QPainter& painter, QPointF origin, Instant date) const;
    void paintFixtures(QPainter& painter, QPointF origin) const;
    void paintFloppy(QPainter& painter, const Layout& parts, const MascotPose& pose) const;
};

}  // namespace quorvel
