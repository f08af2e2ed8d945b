#pragma once
// The device's small round lamp: lit in a colour with a soft glow, or dark.
//
// A circle of diameter `size` filled with `color` when on, else with `Tokens::steel`; when on
// it glows (a shadow of `color` at opacity 0.95, radius 5, no offset); over it an outline in
// `Tokens::ink`, width 1, centred on the circle's edge. The glow reaches about 8 points beyond
// the circle and is never clipped.
#include <QPointF>
#include <QRectF>

#include "kit/visuals/model/Color.hpp"

class QPainter;

namespace quorvel {

struct LED {
    bool on = false;
    Color color;
    /// Diameter in points.
    double size = 0;

    static constexpr double glowRadius = 5;
    static constexpr double glowOpacity = 0.95;

    /// The lamp's own square (size x size) centred on `centre`.
    QRectF frame(const QPointF& centre) const;
    /// Paints the lamp centred in `frame` (its diameter stays `size`).
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
