#pragma once
// The small pixel mascot of the phone screens (12 x 11 cells, face built in), red with red
// eyes when broke. Cells are whole points: `scale` rounded half away from zero; a negative,
// NaN or infinite scale draws nothing. Hidden from accessibility.
#include <QPointF>
#include <QSizeF>

class QPainter;

namespace quorvel {

struct MiniMascotView {
    double scale = 1;
    bool broke = false;

    /// Points per cell as drawn.
    double cellSize() const;
    /// 12 x 11 cells of `cellSize()`.
    QSizeF size() const;

    void paint(QPainter& painter, const QPointF& topLeft) const;
};

}  // namespace quorvel
