#include "kit/visuals/views/kit/Painting.hpp"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPaintDevice>

#include "kit/visuals/model/Tokens.hpp"

namespace quorvel::drawing {

namespace {

double unit(double value) {
    if (!std::isfinite(value)) return value > 0 ? 1.0 : 0.0;
    return std::clamp(value, 0.0, 1.0);
}

}  // namespace

bool isFinite(double value) { return std::isfinite(value); }

QColor toQColor(const Color& color) {
    return QColor::fromRgbF(static_cast<float>(unit(color.red)), static_cast<float>(unit(color.green)),
                            static_cast<float>(unit(color.blue)), static_cast<float>(unit(color.opacity)));
}

QColor toQColor(const Color& color, double opacity) {
    Color faded = color;
    faded.opacity = unit(color.opacity) * unit(opacity);
    return toQColor(faded);
}

QColor white(double opacity) { return toQColor(Tokens::white, opacity); }
QColor black(double opacity) { return toQColor(Tokens::black, opacity); }

QPen strokePen(const QColor& color, double width) {
    QPen pen(color);
    pen.setWidthF(isFinite(width) ? std::max(0.0, width) : 0.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setMiterLimit(10);
    pen.setStyle(Qt::SolidLine);
    return pen;
}

void strokePath(QPainter& painter, const QPainterPath& path, const QColor& color, double width) {
    if (!isFinite(width) || width <= 0 || path.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(strokePen(color, width));
    painter.drawPath(path);
    painter.restore();
}

QRectF insetForStroke(const QRectF& rect, double width) {
    if (!isFinite(width) || width <= 0) return rect;
    const double half = width / 2;
    const double dx = std::min(half, rect.width() / 2);
    const double dy = std::min(half, rect.height() / 2);
    return rect.adjusted(dx, dy, -dx, -dy);
}

double devicePixelsPerPoint(const QPainter& painter) {
    const QTransform& transform = painter.deviceTransform();
    double scale = std::sqrt(std::abs(transform.determinant()));
    if (!isFinite(scale) || scale < 1e-6) scale = 1e-6;
    return scale;
}

QPointF snappedToDevicePixels(const QPainter& painter, const QPointF& point) {
    const QTransform& transform = painter.deviceTransform();
    bool invertible = false;
    const QTransform inverse = transform.inverted(&invertible);
    if (!invertible) return point;
    const QPointF device = transform.map(point);
    return inverse.map(QPointF(std::round(device.x()), std::round(device.y())));
}

}  // namespace quorvel::drawing
