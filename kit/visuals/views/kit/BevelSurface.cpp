#include "kit/visuals/views/kit/BevelSurface.hpp"

#include <cmath>

#include <QPainter>

#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shadow.hpp"

namespace quorvel {

namespace {

struct EdgeShadows {
    drawing::Shadow first;
    drawing::Shadow second;
};

using drawing::black;
using drawing::white;

EdgeShadows edgeShadows(Bevel::Kind kind) {
    switch (kind) {
    case Bevel::Kind::raised:
        return {{white(0.28), 0, {2, 2}}, {black(0.45), 0, {-2, -3}}};
    case Bevel::Kind::pressed:
        return {{black(0.55), 0, {2, 3}}, {white(0.12), 0, {-1, -1}}};
    case Bevel::Kind::recessed:
        return {{black(0.75), 2, {3, 4}}, {white(0.1), 0, {-1, -1}}};
    }
    return {};
}

}  // namespace

double BevelSurface::depthOffset() const {
    if (bevel.kind != Bevel::Kind::raised) return 1;
    return std::isfinite(bevel.depth) && bevel.depth > 0 ? bevel.depth : 0.0;
}

QRectF BevelSurface::paintedBounds(const QRectF& frame) const {
    const double half = stroke && std::isfinite(strokeWidth) && strokeWidth > 0 ? strokeWidth / 2 : 0.0;
    return frame.adjusted(-half, -half, half, depthOffset() + half);
}

void BevelSurface::paint(QPainter& painter, const QRectF& frame) const {
    const QPainterPath outline = shape.in(frame);
    if (outline.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor depthFill = bevel.kind == Bevel::Kind::recessed ? white(0.1) : drawing::toQColor(depthColor);
    painter.fillPath(outline.translated(0, depthOffset()), depthFill);
    painter.fillPath(outline, drawing::toQColor(fill));
    const EdgeShadows edges = edgeShadows(bevel.kind);
    drawing::drawInnerShadow(painter, outline, edges.first);
    drawing::drawInnerShadow(painter, outline, edges.second);
    if (stroke) drawing::strokePath(painter, outline, drawing::toQColor(*stroke), strokeWidth);
    painter.restore();
}

}  // namespace quorvel
