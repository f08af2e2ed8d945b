#include "kit/visuals/views/lists/RowStack.hpp"

#include <QPainter>

#include "kit/visuals/views/lists/RowFrame.hpp"

namespace quorvel {

std::vector<QRectF> stackedRowFrames(std::size_t count, double width, double spacing, double top) {
    std::vector<QRectF> frames;
    frames.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        frames.emplace_back(0, top + static_cast<double>(index) * (RowFrame::height + spacing), width,
                            RowFrame::height);
    }
    return frames;
}

bool isInsideClip(const QPainter& painter, const QRectF& rect) {
    if (!painter.hasClipping()) return true;
    // Bevels and outlines reach a little past a row's frame.
    return painter.clipBoundingRect().intersects(rect.adjusted(-4, -4, 4, 4));
}

}  // namespace quorvel
