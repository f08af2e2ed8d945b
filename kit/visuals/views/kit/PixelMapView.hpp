#pragma once
// Any pixel map drawn as hard-edged vector cells: each character found in the palette is a
// square of `scale` points; "." and characters the palette lacks stay empty.
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "kit/visuals/model/PixelArt.hpp"

class QPainter;

namespace quorvel {

struct PixelMapView {
    PixelArt::PixelMap map;
    PixelArt::Palette palette;
    /// Points per cell, a whole number (rounded half away from zero when made; NaN, infinite or
    /// negative read as 0, which draws nothing).
    double scale = 0;
    /// Empty cells before the map's first column (x) and row (y).
    PixelArt::Cell origin;

    PixelMapView(PixelArt::PixelMap map, PixelArt::Palette palette, double scale, PixelArt::Cell origin = {});

    /// Longest row's length and number of rows.
    int widthInCells() const;
    int heightInCells() const;
    /// scale x (width + origin.x) by scale x (height + origin.y).
    QSizeF size() const;

    /// Draws the map in `size()` centred in `frame` (cells snapped to device pixels, no
    /// antialiasing).
    void paint(QPainter& painter, const QRectF& frame) const;
    /// Draws the map with its frame's top-left at `topLeft`.
    void paint(QPainter& painter, const QPointF& topLeft) const;

    /// The rectangle of cell (column, row) of the map, relative to the frame's top-left.
    QRectF cellRect(int column, int row) const;
};

/// A whole-number scale: `scale` rounded half away from zero; 0 for NaN, infinity or below 0.
double wholeCellScale(double scale);

}  // namespace quorvel
