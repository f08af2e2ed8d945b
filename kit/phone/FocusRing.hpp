#pragma once
// The acid ring around a key's face while keyboard input goes to it: 1.5 points wide, 2 points
// outside the face, following its corners.
#include <QRectF>

class QPainter;

namespace quorvel {

struct FocusRing {
    static constexpr double gap = 2;
    static constexpr double width = 1.5;

    /// Paints the ring around `face`, whose corners have `cornerRadius`.
    static void paint(QPainter& painter, const QRectF& face, double cornerRadius);
};

}  // namespace quorvel
