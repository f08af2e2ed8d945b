#include "kit/visuals/views/PixelMapView.hpp"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "kit/visuals/views/Painting.hpp"

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
    for (std::size_t row = 0; row < map.size(); ++row) {
        const std::string& cells = map[row];
        for (std::size_t column = 0; column < cells.size(); ++column) {
            const std::optional<Color> colour = PixelArt::lookup(palette, cells[column]);
            if (!colour) continue;
            painter.fillRect(cellRect(static_cast<int>(column), static_cast<int>(row)).translated(corner),
                             drawing::toQColor(*colour));
        }
    }
    painter.restore();
}

}  // namespace quorvel
