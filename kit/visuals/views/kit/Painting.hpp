#pragma once
// Small painting helpers every view of the device shares: colours from the palette, plain
// strokes, device-pixel snapping.
//
// All functions paint with the painter's current transform and leave its state (pen, brush,
// opacity, render hints, clip) as they found it. Main thread only, like every view.
#include <QColor>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>

#include "kit/visuals/model/Color.hpp"

class QPainter;

namespace quorvel::drawing {

/// The palette colour as a Qt colour (sRGB, components clamped to 0...1, NaN read as 0).
QColor toQColor(const Color& color);
/// The same colour with its opacity multiplied by `opacity` (clamped to 0...1).
QColor toQColor(const Color& color, double opacity);

/// White and black at `opacity` (0...1), the light and dark of shadows and highlights.
QColor white(double opacity);
QColor black(double opacity);

/// A plain stroke: flat caps, mitre joins, mitre limit 10, no dash. `width` in points.
QPen strokePen(const QColor& color, double width);

/// Strokes `path` centred on its outline. A width of 0 or less (or not finite) draws nothing
/// (Qt would draw a hairline).
void strokePath(QPainter& painter, const QPainterPath& path, const QColor& color, double width);

/// The rectangle a stroke "inside the edge" follows: `rect` inset by half of `width` on every
/// side (never below an empty rectangle at its centre).
QRectF insetForStroke(const QRectF& rect, double width);

/// How many device pixels one point covers under the painter's current transform (the
/// paint device's pixel ratio times the transform's scale); at least a tiny positive number.
double devicePixelsPerPoint(const QPainter& painter);

/// `point` moved to the nearest device-pixel corner under the painter's transform, so pixel
/// art drawn from it stays on the pixel grid.
QPointF snappedToDevicePixels(const QPainter& painter, const QPointF& point);

/// True when `value` is finite.
bool isFinite(double value);

}  // namespace quorvel::drawing
