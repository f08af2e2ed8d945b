#pragma once
// Drop shadows, glows and inner shadows.
//
// A shadow of radius 0 is the shape redrawn at the offset; a larger radius blurs the shape's
// alpha mask with a Gaussian of sigma = radius / 2 (in device pixels). Blurred drop-shadow masks
// and inner-shadow layers are computed once per shape, size, radius, offset, colour and pixel
// density and kept in a small process-wide cache (guarded by a mutex, so a render thread may use
// it too; oldest first out past 48 MiB); hard drop shadows are plain fills. An inner shadow is
// worked out only in the strips along the shape's edges: deep inside, the shape moved by the
// offset covers everything.
#include <functional>

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace quorvel::drawing {

struct Shadow {
    /// Colour of the shadow, its opacity included.
    QColor color;
    /// Blur radius in points; 0 is a hard shadow.
    double radius = 0;
    /// Offset in points (y down).
    QPointF offset;
};

/// Paints the shadow `shape` casts (not the shape itself). Paint the shape afterwards.
void drawShadow(QPainter& painter, const QPainterPath& shape, const Shadow& shadow);

/// Paints an inner shadow inside `shape`: the area of the shape not covered by the shape moved
/// by `shadow.offset`, blurred by `shadow.radius`, clipped (antialiased) to the shape.
void drawInnerShadow(QPainter& painter, const QPainterPath& shape, const Shadow& shadow);

/// Paints `content` with a shadow cast by everything it paints: the content goes into a layer
/// covering `bounds` (in the painter's coordinates), the layer's alpha casts the shadow, then
/// the layer is drawn. Content outside `bounds` is cut off.
void paintWithShadow(QPainter& painter, const QRectF& bounds, const Shadow& shadow,
                     const std::function<void(QPainter&)>& content);

/// The shadow of a premultiplied image's alpha: same size plus `margin` device pixels on every
/// side, every pixel `color` at the blurred alpha (sigma = `radiusPixels` / 2).
QImage shadowImage(const QImage& source, const QColor& color, double radiusPixels, int margin);

/// Blurs the alpha of a premultiplied ARGB image in place (Gaussian, sigma = `radiusPixels` / 2);
/// colour channels are scaled with the alpha, so a one-colour image stays one colour.
void blurAlpha(QImage& image, double radiusPixels);

/// The widest spread a blur is given, in device pixels (the largest picture's side).
inline constexpr int maximumBlurSpread = 16384;

/// Device pixels a blur of `radiusPixels` spreads beyond the shape (three sigmas, rounded up),
/// at most `maximumBlurSpread`; 0 for a radius that is not above 0 or not finite.
int blurSpread(double radiusPixels);

/// Number of masks kept (for tests and benchmarks); the cache holds at most 48 MiB, oldest
/// masks dropped first.
std::size_t cachedShadowCount();

}  // namespace quorvel::drawing
