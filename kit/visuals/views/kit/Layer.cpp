#include "kit/visuals/views/kit/Layer.hpp"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel::drawing {

namespace {

constexpr double maximumLayerSide = 16384;

bool finiteRect(const QRectF& rect) {
    return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
           std::isfinite(rect.height());
}

}  // namespace

Layer makeLayer(const QPainter& painter, const QRectF& bounds) {
    Layer layer;
    if (!finiteRect(bounds) || bounds.width() <= 0 || bounds.height() <= 0) return layer;
    const QTransform& transform = painter.deviceTransform();
    const double density = devicePixelsPerPoint(painter);
    QRectF rect = bounds;
    double width = std::ceil(bounds.width() * density);
    double height = std::ceil(bounds.height() * density);
    bool invertible = false;
    const QTransform inverse = transform.inverted(&invertible);
    if (transform.type() <= QTransform::TxScale && invertible) {
        // Line the layer up with the device pixels so hard edges stay hard.
        const QRectF device = transform.mapRect(bounds);
        const QRectF aligned(QPointF(std::floor(device.left()), std::floor(device.top())),
                             QPointF(std::ceil(device.right()), std::ceil(device.bottom())));
        rect = inverse.mapRect(aligned);
        width = aligned.width();
        height = aligned.height();
    }
    if (!(width >= 1 && height >= 1 && width <= maximumLayerSide && height <= maximumLayerSide)) return layer;
    layer.image = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32_Premultiplied);
    if (layer.image.isNull()) return layer;
    layer.image.setDevicePixelRatio(density);
    layer.image.fill(Qt::transparent);
    layer.rect = rect;
    return layer;
}

void Layer::beginPainting(QPainter& layerPainter) {
    layerPainter.begin(&image);
    layerPainter.setRenderHint(QPainter::Antialiasing, true);
    layerPainter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    // The device pixel ratio maps points to pixels; this maps the caller's points onto the layer.
    const double density = image.devicePixelRatio();
    layerPainter.scale(rect.width() * density / image.width(), rect.height() * density / image.height());
    layerPainter.translate(-rect.topLeft());
}

void Layer::drawInto(QPainter& painter, double opacity) const {
    if (image.isNull() || !(opacity > 0)) return;
    painter.save();
    painter.setOpacity(painter.opacity() * std::min(opacity, 1.0));
    // A layer lined up with the device pixels is copied; only a rotated one needs filtering.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, painter.deviceTransform().type() > QTransform::TxScale);
    painter.drawImage(rect, image);
    painter.restore();
}

Layer paintedLayer(const QPainter& painter, const QRectF& bounds, const std::function<void(QPainter&)>& content) {
    Layer layer = makeLayer(painter, bounds);
    if (layer.isNull()) return layer;
    QPainter layerPainter;
    layer.beginPainting(layerPainter);
    content(layerPainter);
    layerPainter.end();
    return layer;
}

void paintWithOpacity(QPainter& painter, const QRectF& bounds, double opacity,
                      const std::function<void(QPainter&)>& content) {
    if (!(opacity > 0)) return;
    if (opacity >= 1) {
        painter.save();
        content(painter);
        painter.restore();
        return;
    }
    paintedLayer(painter, bounds, content).drawInto(painter, opacity);
}

}  // namespace quorvel::drawing
