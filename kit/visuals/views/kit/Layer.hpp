#pragma once
// Group opacity: a set of primitives painted into a premultiplied layer, then drawn as one
// at an opacity, so overlapping parts of a key at 40 % do not show each other through.
#include <functional>

#include <QImage>
#include <QRectF>

class QPainter;

namespace quorvel::drawing {

/// A transparent layer for painting `bounds` (in the painter's coordinates) at the painter's
/// device-pixel density. When the painter's transform only scales and moves, the layer lines
/// up with the device pixels.
struct Layer {
    /// Premultiplied ARGB; its device pixel ratio is the density, so a painter on it uses the
    /// same points as the caller.
    QImage image;
    /// Where the layer goes, in the painter's coordinates (`bounds` grown to whole pixels).
    QRectF rect;

    /// A painter on `image` whose coordinates equal the caller's (translated by `rect`).
    void beginPainting(QPainter& layerPainter);
    /// Draws the layer into `painter` at `opacity` (0...1).
    void drawInto(QPainter& painter, double opacity = 1.0) const;
    bool isNull() const { return image.isNull(); }
};

/// A layer for `bounds`, null when the bounds are empty, not finite or would need more than
/// 16384 pixels on a side.
Layer makeLayer(const QPainter& painter, const QRectF& bounds);

/// A layer for `bounds` with `content` painted into it (in the caller's coordinates); null as
/// for `makeLayer`, in which case `content` is not called.
Layer paintedLayer(const QPainter& painter, const QRectF& bounds, const std::function<void(QPainter&)>& content);

/// Paints `content` as one group at `opacity`. At opacity 1 it paints straight through; at 0 or
/// less it paints nothing.
void paintWithOpacity(QPainter& painter, const QRectF& bounds, double opacity,
                      const std::function<void(QPainter&)>& content);

}  // namespace quorvel::drawing
