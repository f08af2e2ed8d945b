#pragma once
// Pictures a face keeps of the layers that hold still, painted once at the face's own
// device-pixel grid so that drawing one back gives exactly the pixels a direct paint gives,
// and the probes that tell whether a moving part reaches into them. Main thread only.
#include <functional>

#include <QImage>
#include <QRect>
#include <QRectF>

class QPainter;

namespace quorvel::drawing {

/// The paint device's pixel ratio (1 without a device).
double deviceDensity(const QPainter& painter);

/// True for the densities pictures are kept for; others are painted straight.
bool keepsPicturesAt(double density);

/// A fully transparent premultiplied picture of `pixels` at `density`.
QImage clearPicture(QSize pixels, double density);

/// Paints into `picture`, whose top-left pixel lies at `origin` of the face (in points),
/// clipped to `clip`; `content` paints in the face's points.
void paintInto(QImage& picture, QPointF origin, const QRectF& clip, const std::function<void(QPainter&)>& content);

/// The smallest rectangle holding every pixel of `picture` that is not fully transparent.
QRect inkBounds(const QImage& picture);

/// True when every pixel of `picture` is fully opaque.
bool everyPixelOpaque(const QImage& picture);

/// True when `content`, painted clipped to `clip` into a picture of `pixels` at `density` whose
/// top-left lies at `origin` of the face, puts any ink there.
bool putsInk(QSize pixels, double density, QPointF origin, const QRectF& clip,
             const std::function<void(QPainter&)>& content);

}  // namespace quorvel::drawing
