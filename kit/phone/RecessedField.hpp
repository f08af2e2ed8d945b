#pragma once
// The dark well the phone screens and settings rows sit in: a recessed rounded rectangle
// (radius 6, inset fill, keyDepth depth) with an ink border of 1.5 points lying wholly inside
// its edge.
#include <QRectF>

class QPainter;

namespace quorvel {

struct RecessedField {
    static constexpr double cornerRadius = 6;
    static constexpr double borderWidth = 1.5;

    /// Paints the well filling `frame`; the content goes on top afterwards.
    static void paint(QPainter& painter, const QRectF& frame);
};

}  // namespace quorvel
