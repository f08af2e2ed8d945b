#include "kit/phone/MiniMascotView.hpp"

#include "kit/visuals/model/PixelArt.hpp"
#include "kit/visuals/views/kit/PixelMapView.hpp"

namespace quorvel {

double MiniMascotView::cellSize() const { return wholeCellScale(scale); }

QSizeF MiniMascotView::size() const {
    const PixelMapView view(PixelArt::miniBody(), PixelArt::palette(broke), scale);
    return view.size();
}

void MiniMascotView::paint(QPainter& painter, const QPointF& topLeft) const {
    if (cellSize() <= 0) return;
    PixelMapView(PixelArt::miniBody(), PixelArt::palette(broke), scale).paint(painter, topLeft);
}

}  // namespace quorvel
