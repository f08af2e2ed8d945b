#include "kit/visuals/views/mascot/MascotView.hpp"

#include <algorithm>

#include <QPainter>

#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/PixelMapView.hpp"

namespace quorvel {

namespace {

constexpr int bodyCells = 16;

}  // namespace

double MascotView::cellSize() const { return wholeCellScale(scale); }

QSizeF MascotView::size() const { return {bodyCells * cellSize(), bodyCells * cellSize()}; }

void MascotView::paint(QPainter& painter, const QPointF& topLeft) const {
    const double cell = cellSize();
    if (cell <= 0) return;
    const QPointF corner = drawing::snappedToDevicePixels(painter, topLeft);
    PixelMapView(PixelArt::body(), PixelArt::bodyPalette(broke, onScreen), cell).paint(painter, corner);

    const auto& faces = PixelArt::faces();
    const auto found = faces.find(face);
    if (found == faces.end()) return;
    // Past the screen's width a shift shows nothing more; clamping keeps the cell sums in range.
    const int shift = std::clamp(faceShift, -bodyCells, bodyCells);
    painter.save();
    painter.setClipRect(QRectF(corner.x() + PixelArt::screenOrigin.x * cell, corner.y() + PixelArt::screenOrigin.y * cell,
                               10 * cell, 7 * cell),
                        Qt::IntersectClip);
    PixelMapView(found->second, PixelArt::facePalette(broke), cell,
                 {PixelArt::screenOrigin.x + shift, PixelArt::screenOrigin.y})
        .paint(painter, corner);
    painter.restore();
}

std::string MascotView::accessibilityLabel() const {
    return "Quorvel mascot, " + std::string(PixelArt::rawValue(face)) + " face";
}

}  // namespace quorvel
