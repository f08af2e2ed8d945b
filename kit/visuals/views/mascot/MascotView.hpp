#pragma once
// The still 16 x 16 pixel mascot in vector cells, for places that need no glow: the body with
// its palette, and the face in the screen (cell 3, 3), moved by `faceShift` and cut to the
// screen's 10 x 7 cells.
#include <string>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "kit/visuals/model/PixelArt.hpp"

class QPainter;

namespace quorvel {

struct MascotView {
    PixelArt::Face face = PixelArt::Face::happy;
    /// Points per art pixel; drawn with it rounded to a whole number.
    double scale = 1;
    bool broke = false;
    int faceShift = 0;
    bool onScreen = false;

    /// The whole points per cell it draws with.
    double cellSize() const;
    /// 16 x cellSize() square.
    QSizeF size() const;

    /// Draws the mascot with its top-left at `topLeft` (snapped to device pixels).
    void paint(QPainter& painter, const QPointF& topLeft) const;

    /// "Quorvel mascot, <face> face".
    std::string accessibilityLabel() const;
};

}  // namespace quorvel
