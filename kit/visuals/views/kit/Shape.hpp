#pragma once
// The outline of a bevelled surface, a tape or a lamp, as a value that yields its path in
// whatever frame it is given.
#include <QPainterPath>
#include <QRectF>

namespace quorvel {

struct Shape {
    enum class Kind { rectangle, roundedRectangle, capsule, circle, path, continuousRoundedRectangle };

    Kind kind = Kind::rectangle;
    /// Corner radius in points, for the rounded rectangles (clamped to half the shorter side).
    double cornerRadius = 0;
    /// For `path`: the outline in the frame's coordinates relative to the frame's top-left;
    /// it is not scaled to the frame.
    QPainterPath custom;

    static Shape rectangle() { return {}; }
    /// A rounded rectangle with circular (quarter-circle) corners.
    static Shape roundedRectangle(double radius) { return {Kind::roundedRectangle, radius, {}}; }
    /// A rounded rectangle with continuous corners: the curvature eases in from the straight
    /// edges (each corner takes about 1.53 x radius of its edges). Where a side is too short for
    /// that, the corners are circular.
    static Shape continuousRoundedRectangle(double radius) { return {Kind::continuousRoundedRectangle, radius, {}}; }
    /// Fully round ends along the shorter side.
    static Shape capsule() { return {Kind::capsule, 0, {}}; }
    /// The largest circle centred in the frame.
    static Shape circle() { return {Kind::circle, 0, {}}; }
    static Shape path(QPainterPath outline) { return {Kind::path, 0, std::move(outline)}; }

    /// The outline in `frame`. An empty or non-finite frame gives an empty path.
    QPainterPath in(const QRectF& frame) const;
};

}  // namespace quorvel
