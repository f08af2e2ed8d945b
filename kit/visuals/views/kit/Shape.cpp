#include "kit/visuals/views/kit/Shape.hpp"

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

// How far a continuous corner reaches along each edge, and its curve's points, in radii
// (the smooth corner of the platform's user interface, as three cubic segments).
constexpr double reach = 1.52866483;

struct CornerPoints {
    double x;
    double y;
};

// One corner from the end of the top edge to the start of the right edge, corner at (0, 0),
// x growing leftwards from it and y downwards.
constexpr CornerPoints cornerCurve[] = {
    {1.08849323, 0.0},        {0.86840689, 0.0},        {0.63149399, 0.07491100},
    {0.37282392, 0.16905101}, {0.16905101, 0.37282392}, {0.07491100, 0.63149399},
    {0.0, 0.86840689},        {0.0, 1.08849323},        {0.0, reach},
};

QPainterPath continuousRoundedRect(const QRectF& frame, double radius) {
    QPainterPath outline;
    // Corners of the frame and, for each, the directions along its two edges (towards the
    // corner's "before" and "after" neighbours, clockwise).
    struct Corner {
        QPointF at;
        QPointF alongBefore;  // unit vector from the corner back along the edge before it
        QPointF alongAfter;   // unit vector from the corner along the edge after it
    };
    const Corner corners[] = {
        {frame.topRight(), {-1, 0}, {0, 1}},
        {frame.bottomRight(), {0, -1}, {-1, 0}},
        {frame.bottomLeft(), {1, 0}, {0, -1}},
        {frame.topLeft(), {0, 1}, {1, 0}},
    };
    auto point = [radius](const Corner& corner, double before, double after) {
        return corner.at + corner.alongBefore * (before * radius) + corner.alongAfter * (after * radius);
    };
    outline.moveTo(point(corners[3], 0, reach));
    for (const Corner& corner : corners) {
        outline.lineTo(point(corner, reach, 0));
        for (int segment = 0; segment < 3; ++segment) {
            const CornerPoints* p = &cornerCurve[segment * 3];
            outline.cubicTo(point(corner, p[0].x, p[0].y), point(corner, p[1].x, p[1].y), point(corner, p[2].x, p[2].y));
        }
    }
    outline.closeSubpath();
    return outline;
}

}  // namespace

QPainterPath Shape::in(const QRectF& frame) const {
    QPainterPath outline;
    if (!std::isfinite(frame.x()) || !std::isfinite(frame.y()) || !std::isfinite(frame.width()) ||
        !std::isfinite(frame.height()) || frame.width() <= 0 || frame.height() <= 0)
        return outline;
    const double shorter = std::min(frame.width(), frame.height());
    switch (kind) {
    case Kind::rectangle:
        outline.addRect(frame);
        break;
    case Kind::roundedRectangle: {
        const double radius = std::isfinite(cornerRadius) ? std::clamp(cornerRadius, 0.0, shorter / 2) : 0.0;
        outline.addRoundedRect(frame, radius, radius);
        break;
    }
    case Kind::continuousRoundedRectangle: {
        const double radius = std::isfinite(cornerRadius) ? std::clamp(cornerRadius, 0.0, shorter / 2) : 0.0;
        if (radius > 0 && radius * reach <= shorter / 2)
            outline = continuousRoundedRect(frame, radius);
        else
            outline.addRoundedRect(frame, radius, radius);
        break;
    }
    case Kind::capsule:
        outline.addRoundedRect(frame, shorter / 2, shorter / 2);
        break;
    case Kind::circle: {
        const QPointF centre = frame.center();
        outline.addEllipse(centre, shorter / 2, shorter / 2);
        break;
    }
    case Kind::path:
        outline = custom.translated(frame.topLeft());
        break;
    }
    return outline;
}

}  // namespace quorvel
