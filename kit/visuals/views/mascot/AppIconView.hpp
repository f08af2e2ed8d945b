#pragma once
// The app icon on a 1024 x 1024 canvas: the happy mascot on a chassis plate with grain. The
// Mac icon's plate is 824 points square with rounded corners and an ink border, centred with
// 100 points of empty margin; the phone icon's plate fills the canvas, square-cornered and
// borderless (the phone rounds it itself).
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace quorvel {

struct AppIconView {
    bool mac = true;

    static constexpr double canvas = 1024;

    static QSizeF size() { return {canvas, canvas}; }
    /// The plate's rectangle on the canvas.
    QRectF plate() const;
    double cornerRadius() const { return mac ? 186 : 0; }
    double borderWidth() const { return mac ? 14 : 0; }
    double mascotScale() const { return mac ? 40 : 48; }
    /// How far the mascot stands above the plate's centre.
    double mascotLift() const { return mac ? 4 : 6; }

    /// Paints the canvas with its top-left at the painter's origin; outside the plate nothing.
    void paint(QPainter& painter) const;
};

}  // namespace quorvel
