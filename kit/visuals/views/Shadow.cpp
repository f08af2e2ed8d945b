#include "kit/visuals/views/Shadow.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

#include <QPainter>

#include "kit/visuals/views/AlphaMask.hpp"
#include "kit/visuals/views/ImageCache.hpp"
#include "kit/visuals/views/Layer.hpp"
#include "kit/visuals/views/Painting.hpp"

namespace quorvel::drawing {

namespace {

// Enough for every surface of the device at a few densities; resizing a large window through
// many sizes never piles up big masks.
ImageCache& cache() {
    static ImageCache shared(48u * 1024 * 1024);
    return shared;
}

void drawImageAt(QPainter& painter, const QImage& image, const QPointF& topLeft) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, painter.deviceTransform().type() > QTransform::TxScale);
    painter.drawImage(topLeft, image);
    painter.restore();
}

}  // namespace

int blurSpread(double radiusPixels) {
    if (!(radiusPixels > 0) || !std::isfinite(radiusPixels)) return 0;
    // No picture is larger than this on a side, so a wider spread could add nothing but work.
    const double spread = std::ceil(3 * radiusPixels / 2);
    return spread < maximumBlurSpread ? static_cast<int>(spread) : maximumBlurSpread;
}

void blurAlpha(QImage& image, double radiusPixels) {
    const double sigma = radiusPixels / 2;
    if (!(sigma >= 0.05) || !std::isfinite(sigma) || image.isNull()) return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Each byte of a pixel is one channel; blurring each plane alone is the same convolution.
    std::uint8_t* bytes = image.bits();
    if (bytes == nullptr) return;
    for (int channel = 0; channel < 4; ++channel)
        blurPlane(bytes + channel, image.width(), image.height(), image.bytesPerLine(), 4, radiusPixels);
    // Premultiplied colour never exceeds its alpha, whatever the rounding did.
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(row[x]);
            row[x] = qRgba(std::min(qRed(row[x]), alpha), std::min(qGreen(row[x]), alpha), std::min(qBlue(row[x]), alpha), alpha);
        }
    }
}

QImage shadowImage(const QImage& source, const QColor& color, double radiusPixels, int margin) {
    QImage shadow = maskOf(source, margin);
    blurMask(shadow, radiusPixels);
    tintMask(shadow, color);
    return shadow;
}

void drawShadow(QPainter& painter, const QPainterPath& shape, const Shadow& shadow) {
    if (shape.isEmpty() || shadow.color.alpha() == 0 || !isFinite(shadow.offset.x()) || !isFinite(shadow.offset.y()))
        return;
    if (!(shadow.radius > 0) || !isFinite(shadow.radius)) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(shape.translated(shadow.offset), shadow.color);
        painter.restore();
        return;
    }
    const double density = devicePixelsPerPoint(painter);
    const double radiusPixels = shadow.radius * density;
    const int spread = blurSpread(radiusPixels) + 1;
    const QRectF box = shape.boundingRect();
    const QPointF origin = box.topLeft() - QPointF(spread / density, spread / density);
    const std::uint64_t key =
        CacheKey().add(std::uint64_t{1}).add(shape, box.topLeft()).add(density).add(shadow.radius).add(shadow.color).value();
    std::optional<QImage> image = cache().find(key);
    if (!image) {
        // Checked as doubles: a shape far beyond any screen must not overflow the conversion.
        const double width = std::ceil(box.width() * density) + 2.0 * spread;
        const double height = std::ceil(box.height() * density) + 2.0 * spread;
        if (!(width >= 1 && height >= 1 && width <= 16384 && height <= 16384)) return;
        QImage mask(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
        if (mask.isNull()) return;
        mask.fill(Qt::transparent);
        {
            QPainter maskPainter(&mask);
            maskPainter.setRenderHint(QPainter::Antialiasing, true);
            maskPainter.scale(density, density);
            maskPainter.translate(-origin);
            maskPainter.fillPath(shape, Qt::black);
        }
        blurMask(mask, radiusPixels);
        mask.setDevicePixelRatio(density);
        tintMask(mask, shadow.color);
        cache().store(key, mask);
        image = mask;
    }
    drawImageAt(painter, *image, origin + shadow.offset);
}

void drawInnerShadow(QPainter& painter, const QPainterPath& shape, const Shadow& shadow) {
    if (shape.isEmpty() || shadow.color.alpha() == 0 || !isFinite(shadow.offset.x()) || !isFinite(shadow.offset.y()))
        return;
    const double density = devicePixelsPerPoint(painter);
    const double radius = isFinite(shadow.radius) && shadow.radius > 0 ? shadow.radius : 0.0;
    const double radiusPixels = radius * density;
    const double spread = (blurSpread(radiusPixels) + 1) / density;
    const QRectF box = shape.boundingRect().adjusted(-spread, -spread, spread, spread);
    // The shadow is one colour: its coverage is worked out in black and tinted last.
    Layer layer = makeLayer(painter, box);
    if (layer.isNull()) return;
    const std::uint64_t key = CacheKey()
                                  .add(std::uint64_t{2})
                                  .add(shape, layer.rect.topLeft())
                                  .add(density)
                                  .add(radius)
                                  .add(shadow.offset.x())
                                  .add(shadow.offset.y())
                                  .add(shadow.color)
                                  .add(painter.deviceTransform().type() > QTransform::TxScale)
                                  .value();
    if (std::optional<QImage> cached = cache().find(key)) {
        layer.image = *cached;
        layer.drawInto(painter);
        return;
    }
    {
        QPainter layerPainter;
        layer.beginPainting(layerPainter);
        // Everything but the shape moved by the offset casts the shadow...
        layerPainter.fillRect(layer.rect.adjusted(-1, -1, 1, 1), Qt::black);
        layerPainter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        layerPainter.fillPath(shape.translated(shadow.offset), Qt::black);
        layerPainter.end();
        blurMask(layer.image, radiusPixels);
        // ...and only what falls inside the shape is seen.
        layer.beginPainting(layerPainter);
        // A composition mode only touches what a fill covers, so cut away the shape's outside.
        QPainterPath outside;
        outside.addRect(layer.rect.adjusted(-2, -2, 2, 2));
        outside.addPath(shape);
        outside.setFillRule(Qt::OddEvenFill);
        layerPainter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        layerPainter.fillPath(outside, Qt::black);
        layerPainter.end();
    }
    tintMask(layer.image, shadow.color);
    cache().store(key, layer.image);
    layer.drawInto(painter);
}

void paintWithShadow(QPainter& painter, const QRectF& bounds, const Shadow& shadow,
                     const std::function<void(QPainter&)>& content) {
    const Layer layer = paintedLayer(painter, bounds, content);
    if (layer.isNull()) return;
    if (shadow.color.alpha() > 0 && isFinite(shadow.offset.x()) && isFinite(shadow.offset.y())) {
        const double density = layer.image.devicePixelRatio();
        const double radiusPixels = isFinite(shadow.radius) && shadow.radius > 0 ? shadow.radius * density : 0.0;
        const int margin = blurSpread(radiusPixels) + 1;
        const QImage cast = shadowImage(layer.image, shadow.color, radiusPixels, margin);
        drawImageAt(painter, cast, layer.rect.topLeft() - QPointF(margin / density, margin / density) + shadow.offset);
    }
    layer.drawInto(painter);
}

std::size_t cachedShadowCount() { return cache().size(); }

}  // namespace quorvel::drawing
