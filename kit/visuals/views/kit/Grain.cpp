#include "kit/visuals/views/kit/Grain.hpp"

#include <algorithm>
#include <cmath>

#include <QPainter>

namespace quorvel {

std::vector<std::uint8_t> Grain::tileBytes() {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(tilePixels) * tilePixels * 4, 0);
    std::uint64_t state = seed;
    for (std::size_t pixel = 0; pixel < static_cast<std::size_t>(tilePixels) * tilePixels; ++pixel) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        if (state % 6 == 0) std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(pixel * 4), 4, std::uint8_t{255});
    }
    return bytes;
}

const QImage& Grain::tile() {
    static const QImage shared = [] {
        const std::vector<std::uint8_t> bytes = tileBytes();
        QImage image(tilePixels, tilePixels, QImage::Format_RGBA8888_Premultiplied);
        if (image.isNull()) return image;
        for (int row = 0; row < tilePixels; ++row)
            std::copy_n(bytes.data() + static_cast<std::size_t>(row) * tilePixels * 4, tilePixels * 4, image.scanLine(row));
        image.setDevicePixelRatio(tilePixels / tilePoints);
        return image;
    }();
    return shared;
}

namespace {

// The tile in the painter's native pixel format, so drawing it converts nothing.
const QImage& drawingTile() {
    static const QImage shared = [] {
        QImage native = Grain::tile().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        native.setDevicePixelRatio(Grain::tile().devicePixelRatio());
        return native;
    }();
    return shared;
}

}  // namespace

void Grain::paint(QPainter& painter, const QRectF& frame) const {
    if (!(opacity > 0) || !std::isfinite(frame.x()) || !std::isfinite(frame.y()) || !std::isfinite(frame.width()) ||
        !std::isfinite(frame.height()) || frame.width() <= 0 || frame.height() <= 0)
        return;
    const QImage& noise = drawingTile();
    if (noise.isNull()) return;
    painter.save();
    painter.setOpacity(painter.opacity() * std::min(opacity, 1.0));
    painter.setClipRect(frame, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (double y = frame.top(); y < frame.bottom(); y += tilePoints)
        for (double x = frame.left(); x < frame.right(); x += tilePoints)
            painter.drawImage(QRectF(x, y, tilePoints, tilePoints), noise);
    painter.restore();
}

}  // namespace quorvel
