#include "kit/visuals/views/kit/Shadow.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include <QPainter>

#include "kit/visuals/views/kit/AlphaMask.hpp"
#include "kit/visuals/views/kit/ImageCache.hpp"
#include "kit/visuals/views/kit/Layer.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

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

namespace {

// The shadow's picture in `color` from the cache, made on a miss by tinting the coverage mask
// `makeCoverage` gives.
std::optional<QImage> cachedShadow(std::uint64_t shapeKey, const QColor& color,
                                   const std::function<std::optional<QImage>()>& makeCoverage) {
    const std::uint64_t key = CacheKey().add(shapeKey).add(color).value();
    if (std::optional<QImage> cached = cache().find(key)) return cached;
    std::optional<QImage> picture = makeCoverage();
    if (!picture) return std::nullopt;
    tintMask(*picture, color);
    cache().store(key, *picture);
    return picture;
}

// The part of `layer` (in its pixels) deep inside both `shape` and `moved`, one pixel in from
// where either could cover less than all of a pixel; empty when there is none worth skipping.
QRect deepInside(const QPainterPath& shape, const QPainterPath& moved, const Layer& layer, double density) {
    const QRectF both = shape.boundingRect() & moved.boundingRect();
    const double side = std::min(both.width(), both.height());
    if (!(side > 0)) return {};
    // Rounded and cut corners keep a rectangle inset by a fraction of the side inside.
    for (const double inset : {0.02, 0.06, 0.12, 0.2, 0.3}) {
        const QRectF inner = both.adjusted(side * inset, side * inset, -side * inset, -side * inset);
        if (!shape.contains(inner) || !moved.contains(inner)) continue;
        const QPointF origin = (inner.topLeft() - layer.rect.topLeft()) * density;
        const QPointF end = (inner.bottomRight() - layer.rect.topLeft()) * density;
        const QRect pixels(QPoint(static_cast<int>(std::ceil(origin.x())) + 1, static_cast<int>(std::ceil(origin.y())) + 1),
                           QPoint(static_cast<int>(std::floor(end.x())) - 2, static_cast<int>(std::floor(end.y())) - 2));
        return pixels.intersected(layer.image.rect());
    }
    return {};
}

// The strips of `area` around `hole` (which lies inside it): top, bottom, left and right.
std::vector<QRect> stripsAround(const QRect& area, const QRect& hole) {
    if (hole.isEmpty()) return {area};
    return {QRect(QPoint(area.left(), area.top()), QPoint(area.right(), hole.top() - 1)),
            QRect(QPoint(area.left(), hole.bottom() + 1), QPoint(area.right(), area.bottom())),
            QRect(QPoint(area.left(), hole.top()), QPoint(hole.left() - 1, hole.bottom())),
            QRect(QPoint(hole.right() + 1, hole.top()), QPoint(area.right(), hole.bottom()))};
}

// Runs `paint` once for each strip of `layer` (strips in its pixels), with a painter on that
// strip alone in the layer's own coordinates: the fills rasterise and blend the strip's pixels
// only, and each pixel comes out as it would painting the whole layer.
void paintInStrips(Layer& layer, const std::vector<QRect>& strips, const std::function<void(QPainter&)>& paint) {
    const double density = layer.image.devicePixelRatio();
    const qsizetype bytesPerLine = layer.image.bytesPerLine();
    uchar* bits = layer.image.bits();
    if (bits == nullptr) return;
    for (const QRect& strip : strips) {
        if (strip.isEmpty()) continue;
        QImage view(bits + strip.y() * bytesPerLine + strip.x() * 4, strip.width(), strip.height(), bytesPerLine,
                    QImage::Format_ARGB32_Premultiplied);
        view.setDevicePixelRatio(density);
        QPainter painter(&view);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.translate(-strip.x() / density, -strip.y() / density);
        painter.scale(layer.rect.width() * density / layer.image.width(), layer.rect.height() * density / layer.image.height());
        painter.translate(-layer.rect.topLeft());
        paint(painter);
    }
}

}  // namespace

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
    const std::uint64_t key = CacheKey().add(std::uint64_t{1}).add(shape, box.topLeft()).add(density).add(shadow.radius).value();
    const std::optional<QImage> image = cachedShadow(key, shadow.color, [&]() -> std::optional<QImage> {
        // Checked as doubles: a shape far beyond any screen must not overflow the conversion.
        const double width = std::ceil(box.width() * density) + 2.0 * spread;
        const double height = std::ceil(box.height() * density) + 2.0 * spread;
        if (!(width >= 1 && height >= 1 && width <= 16384 && height <= 16384)) return std::nullopt;
        QImage mask(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
        if (mask.isNull()) return std::nullopt;
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
        return mask;
    });
    if (image) drawImageAt(painter, *image, origin + shadow.offset);
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
                                  .add(painter.deviceTransform().type() > QTransform::TxScale)
                                  .value();
    const std::optional<QImage> image = cachedShadow(key, shadow.color, [&]() -> std::optional<QImage> {
        const QPainterPath moved = shape.translated(shadow.offset);
        // Deep inside, the shape moved by the offset covers everything, so the coverage there is
        // nothing from the start: only the strips along the edges are painted (the layer is
        // transparent already). A large face's inner shadow is a thin band, not its whole area.
        const std::vector<QRect> strips = stripsAround(layer.image.rect(), deepInside(shape, moved, layer, density));
        // Everything but the shape moved by the offset casts the shadow...
        paintInStrips(layer, strips, [&](QPainter& strip) {
            strip.fillRect(layer.rect.adjusted(-1, -1, 1, 1), Qt::black);
            strip.setCompositionMode(QPainter::CompositionMode_DestinationOut);
            strip.fillPath(moved, Qt::black);
        });
        blurMask(layer.image, radiusPixels);
        // ...and only what falls inside the shape is seen. A composition mode only touches what
        // a fill covers, so cut away the shape's outside.
        QPainterPath outside;
        outside.addRect(layer.rect.adjusted(-2, -2, 2, 2));
        outside.addPath(shape);
        outside.setFillRule(Qt::OddEvenFill);
        paintInStrips(layer, strips, [&](QPainter& strip) {
            strip.setCompositionMode(QPainter::CompositionMode_DestinationOut);
            strip.fillPath(outside, Qt::black);
        });
        return layer.image;
    });
    if (!image) return;
    layer.image = *image;
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
