#include "kit/visuals/views/kit/PixelMapView.hpp"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {

double wholeCellScale(double scale) {
    if (!std::isfinite(scale) || scale <= 0) return 0;
    return std::round(scale);
}

PixelMapView::PixelMapView(PixelArt::PixelMap map, PixelArt::Palette palette, double scale, PixelArt::Cell origin)
    : map(std::move(map)), palette(std::move(palette)), scale(wholeCellScale(scale)), origin(origin) {}

int PixelMapView::widthInCells() const {
    std::size_t longest = 0;
    for (const std::string& row : map) longest = std::max(longest, row.size());
    return static_cast<int>(longest);
}

int PixelMapView::heightInCells() const { return static_cast<int>(map.size()); }

QSizeF PixelMapView::size() const {
    // In floating point: an origin near the integer limits must not overflow.
    return {std::max(0.0, scale * (static_cast<double>(widthInCells()) + origin.x)),
            std::max(0.0, scale * (static_cast<double>(heightInCells()) + origin.y))};
}

QRectF PixelMapView::cellRect(int column, int row) const {
    return {scale * (static_cast<double>(column) + origin.x), scale * (static_cast<double>(row) + origin.y), scale, scale};
}

void PixelMapView::paint(QPainter& painter, const QRectF& frame) const {
    const QSizeF box = size();
    paint(painter, QPointF(frame.center().x() - box.width() / 2, frame.center().y() - box.height() / 2));
}

void PixelMapView::paint(QPainter& painter, const QPointF& topLeft) const {
    if (scale <= 0) return;
    const QPointF corner = drawing::snappedToDevicePixels(painter, topLeft);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    PixelArt::forEachColouredCell(map, palette, [&](int column, int row, const Color& colour) {
        painter.fillRect(cellRect(column, row).translated(corner), drawing::toQColor(colour));
    });
    painter.restore();
}

}  // namespace quorvel
