#include "kit/visuals/views/Shadow.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <cmath>
#include <cstdint>
#include <vector>

#include <QPainter>

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

std::vector<double> gaussianKernel(double sigma, int spread) {
    std::vector<double> kernel(static_cast<std::size_t>(2 * spread + 1));
    double sum = 0;
    for (int i = -spread; i <= spread; ++i) {
        const double weight = std::exp(-(i * i) / (2 * sigma * sigma));
        kernel[static_cast<std::size_t>(i + spread)] = weight;
        sum += weight;
    }
    for (double& weight : kernel) weight /= sum;
    return kernel;
}

// One pass of a separable blur over premultiplied pixels, edges extended.
void blurPass(QImage& image, const std::vector<double>& kernel, bool horizontal) {
    const int width = image.width();
    const int height = image.height();
    const int spread = static_cast<int>(kernel.size() / 2);
    const int length = horizontal ? width : height;
    const int lines = horizontal ? height : width;
    std::vector<std::array<double, 4>> line(static_cast<std::size_t>(length));
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < length; ++i) {
            const int x = horizontal ? i : l;
            const int y = horizontal ? l : i;
            const QRgb pixel = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
            line[static_cast<std::size_t>(i)] = {static_cast<double>(qAlpha(pixel)), static_cast<double>(qRed(pixel)),
                                                 static_cast<double>(qGreen(pixel)), static_cast<double>(qBlue(pixel))};
        }
        for (int i = 0; i < length; ++i) {
            std::array<double, 4> sum{0, 0, 0, 0};
            for (int k = -spread; k <= spread; ++k) {
                const int at = std::clamp(i + k, 0, length - 1);
                const double weight = kernel[static_cast<std::size_t>(k + spread)];
                for (int c = 0; c < 4; ++c) sum[static_cast<std::size_t>(c)] += weight * line[static_cast<std::size_t>(at)][static_cast<std::size_t>(c)];
            }
            const int x = horizontal ? i : l;
            const int y = horizontal ? l : i;
            auto channel = [&](int c) { return std::clamp(static_cast<int>(std::lround(sum[static_cast<std::size_t>(c)])), 0, 255); };
            const int alpha = channel(0);
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] =
                qRgba(std::min(channel(1), alpha), std::min(channel(2), alpha), std::min(channel(3), alpha), alpha);
        }
    }
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
    return static_cast<int>(std::ceil(3 * radiusPixels / 2));
}

void blurAlpha(QImage& image, double radiusPixels) {
    const double sigma = radiusPixels / 2;
    if (!(sigma >= 0.05) || !std::isfinite(sigma) || image.isNull()) return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto kernel = gaussianKernel(sigma, std::max(1, blurSpread(radiusPixels)));
    blurPass(image, kernel, true);
    blurPass(image, kernel, false);
}

QImage shadowImage(const QImage& source, const QColor& color, double radiusPixels, int margin) {
    margin = std::max(0, margin);
    QImage input = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage shadow(input.width() + 2 * margin, input.height() + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    if (shadow.isNull()) return shadow;
    shadow.fill(Qt::transparent);
    const QRgb tint = color.rgba();
    const double tintAlpha = qAlpha(tint) / 255.0;
    for (int y = 0; y < input.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(input.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(shadow.scanLine(y + margin)) + margin;
        for (int x = 0; x < input.width(); ++x) {
            const double alpha = qAlpha(in[x]) / 255.0 * tintAlpha;
            out[x] = qRgba(static_cast<int>(std::lround(qRed(tint) * alpha)), static_cast<int>(std::lround(qGreen(tint) * alpha)),
                           static_cast<int>(std::lround(qBlue(tint) * alpha)), static_cast<int>(std::lround(255 * alpha)));
        }
    }
    blurAlpha(shadow, radiusPixels);
    shadow.setDevicePixelRatio(source.devicePixelRatio());
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
        const int width = static_cast<int>(std::ceil(box.width() * density)) + 2 * spread;
        const int height = static_cast<int>(std::ceil(box.height() * density)) + 2 * spread;
        if (width > 16384 || height > 16384) return;
        QImage mask(width, height, QImage::Format_ARGB32_Premultiplied);
        if (mask.isNull()) return;
        mask.fill(Qt::transparent);
        {
            QPainter maskPainter(&mask);
            maskPainter.setRenderHint(QPainter::Antialiasing, true);
            maskPainter.scale(density, density);
            maskPainter.translate(-origin);
            maskPainter.fillPath(shape, shadow.color);
        }
        blurAlpha(mask, radiusPixels);
        mask.setDevicePixelRatio(density);
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
        layerPainter.fillRect(layer.rect.adjusted(-1, -1, 1, 1), shadow.color);
        layerPainter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        layerPainter.fillPath(shape.translated(shadow.offset), Qt::black);
        layerPainter.end();
        blurAlpha(layer.image, radiusPixels);
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
