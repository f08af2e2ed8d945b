#pragma once
// The one primitive that makes any shape look physical: a depth layer under the face, the face
// filled with two inner shadows (light and dark edge), and an optional outline.
//
//   bevel        depth layer (moved down)        inner shadows (radius, x, y)
//   raised(d)    depthColor, d points            white 0.28 (0, 2, 2); black 0.45 (0, -2, -3)
//   pressed      depthColor, 1 point             black 0.55 (0, 2, 3); white 0.12 (0, -1, -1)
//   recessed     white at 0.1, 1 point           black 0.75 (2, 3, 4); white 0.1 (0, -1, -1)
//
// The outline, when `stroke` is set, is the shape stroked centred on its edge (flat caps, mitre
// joins, limit 10); without `stroke` there is no outline whatever `strokeWidth` says.
// The depth layer paints below the frame (raised: `depth` points); nothing is clipped.
#include <optional>

#include <QRectF>

#include "kit/visuals/model/Color.hpp"
#include "kit/visuals/views/kit/Bevel.hpp"
#include "kit/visuals/views/kit/Shape.hpp"

class QPainter;

namespace quorvel {

struct BevelSurface {
    Shape shape;
    Color fill;
    Color depthColor;
    Bevel bevel;
    std::optional<Color> stroke;
    double strokeWidth = 0;

    /// Points the depth layer is moved down by: the raised depth (negative or NaN read as 0),
    /// else 1.
    double depthOffset() const;

    /// What the surface covers when painted in `frame`: the frame grown by the depth below it
    /// and by half the outline's width (shadows with radius add nothing: all inner).
    QRectF paintedBounds(const QRectF& frame) const;

    /// Paints the surface in `frame`.
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
