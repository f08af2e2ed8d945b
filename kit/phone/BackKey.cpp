#include "kit/phone/BackKey.hpp"

#include <algorithm>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/PixelMapView.hpp"

namespace quorvel {

PixelArt::PixelMap BackKey::leftChevron() {
    PixelArt::PixelMap rows = PixelArt::chevron();
    for (std::string& row : rows) std::reverse(row.begin(), row.end());
    return rows;
}

bool BackKey::hits(const QPointF& point) {
    const QPointF centre(diameter / 2, diameter / 2);
    const QPointF offset = point - centre;
    return offset.x() * offset.x() + offset.y() * offset.y() <= (diameter / 2) * (diameter / 2);
}

void BackKey::paint(QPainter& painter, const QPointF& topLeft) const {
    const QRectF circle(topLeft, QSizeF(diameter, diameter));
    BevelSurface{Shape::circle(), Tokens::panel, Tokens::keyDepth, Bevel::raised(depth), Tokens::ink, strokeWidth}
        .paint(painter, circle);
    PixelMapView(leftChevron(), {{'X', Tokens::acid}}, chevronScale).paint(painter, circle);
}

bool BackKey::tap(const QPointF& point) const {
    if (!hits(point)) return false;
    if (action) action();
    return true;
}

}  // namespace quorvel
