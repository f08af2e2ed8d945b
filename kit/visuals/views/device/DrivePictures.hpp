#pragma once
// The device's floppy drive painted from kept pictures, for the motion's repaints. The casing
// and the drive's plate and empty mouth under the floppy never change: kept once per pixel
// density. Over them, per look of the snapshot (LED lit, alarm colours, floppy label), the LED
// and the dymo label are kept too, and the floppy and the lip are painted over that picture
// straight, where a whole paint paints them before the LED and the label: the same pixels only
// while they put none on the LED's and the label's ink, which is probed once per look of the
// floppy; a look that does is painted over the bare body in the whole paint's order. Main
// thread only.
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include <QImage>
#include <QRect>
#include <QRectF>

#include "kit/visuals/model/FloppyLabel.hpp"
#include "kit/visuals/views/device/DiskDrive.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

class DrivePictures {
public:
    /// The floppy's picture numbers at a moment (nothing out: all -1): equal looks paint the
    /// same pixels.
    using Look = std::array<double, 4>;
    static Look look(const DiskDrive& drive, Instant time);

    /// Paints the casing of the face at `face` and `drive` at `origin` as it looks at `time`,
    /// clipped to `area` (whole points around the drive): the pixels a whole paint gives there
    /// before the face's border.
    void paint(QPainter& painter, const DiskDrive& drive, QPointF origin, const QRectF& face, const QRect& area,
               Instant time);

private:
    struct Fixtures {
        bool live = false;
        bool broke = false;
        FloppyLabel label;
        QImage image;
        /// Around the LED's and the label's ink, in the picture's pixels.
        QRect ink;
        std::vector<std::pair<Look, bool>> looksChecked;
    };
    bool floppyReachesFixtures(const DiskDrive& drive, QPointF origin, const QRect& area, Instant time);

    QImage body_;
    std::optional<Fixtures> fixtures_;
};

}  // namespace quorvel
