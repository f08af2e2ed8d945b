#pragma once
// The floppy drive's geometry, in points, in the drive's own space (origin at its top-left,
// y down). The device uses `DriveMetrics::mac()`; the phone face passes values of its own.
#include <QSizeF>

namespace quorvel {

struct DriveMetrics {
    /// The bevelled front plate, at (0, plateY).
    QSizeF plate;
    double plateY = 0;
    /// The dark slot, centred across the plate, at mouthY.
    QSizeF mouth;
    double mouthY = 0;
    /// The lip drawn over the floppy, at inY.
    double lipHeight = 0;
    /// The floppy's top edge when it is fully in.
    double inY = 0;
    /// How far the floppy comes out: its top stands at inY - rise when fully out, which may lie
    /// above the drive's frame.
    double rise = 0;
    double ledX = 0;
    double ledY = 0;
    double dymoX = 0;
    double dymoY = 0;
    /// The drive's layout height.
    double height = 0;

    /// Plate 260 x 34 at 34, mouth 128 x 10 at 46, lip 4, in at 52, rise 67, LED at
    /// (280, 46), dymo at (297.5, 40), height 76. Made once.
    static const DriveMetrics& mac();

    /// Left edge of the mouth: centred on the plate.
    double mouthX() const { return (plate.width() - mouth.width()) / 2; }

    bool operator==(const DriveMetrics&) const = default;
};

}  // namespace quorvel
