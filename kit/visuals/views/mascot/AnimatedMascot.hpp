#pragma once
// The mascot on a screen in one pose: the glowing bitmap from the renderer's cache, the
// scanline sweeping down its screen, moved by the pose's offset (upward rises softly limited by
// a ceiling) and tilted by its rotation about the centre.
//
// Layout: a square of 16 x scale points; the glow spills 12 points past it on every side and
// the pose may move the picture outside it, so owners must not clip it to the square. A bitmap
// that can't be made leaves the square empty.
#include <optional>
#include <utility>

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "kit/visuals/model/MascotPose.hpp"
#include "kit/visuals/views/mascot/FaceFade.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

struct AnimatedMascot {
    MascotPose pose;
    /// Points per art pixel.
    double scale = 6;
    bool broke = false;
    bool reduceMotion = false;
    /// The most the mascot may rise, in points; none: no limit.
    std::optional<double> ceiling;
    /// While reduce motion cross-fades a face change: the face fading out and the eased
    /// progress (0...1) of the new one fading in.
    std::optional<std::pair<PixelArt::Face, double>> fadingFrom = std::nullopt;

    QSizeF size() const { return {16 * scale, 16 * scale}; }

    /// This mascot in the middle of `fade` at `time` (unchanged once the fade is over).
    AnimatedMascot fading(const std::optional<FaceFade>& fade, Instant time) const;

    /// The vertical move in points for the pose's offset (defined at scale 12): u x offsetY
    /// with u = scale / 12; an upward move dy < 0 becomes -ceiling x tanh(-dy / ceiling), so
    /// it never exceeds the ceiling. Downward moves are not limited.
    static double verticalOffset(double offsetY, double scale, std::optional<double> ceiling);

    /// The scanline bar for a position s (0...1) relative to the square's top-left: 10 x scale
    /// wide, h = max(4 x scale / 12, 1) tall, at x = 3 x scale and
    /// y = 3 x scale + floor(s x 14) / 14 x (7 x scale - h): 14 steps down the screen.
    static QRectF scanlineRect(double position, double scale);

    /// "Quorvel mascot, <face> face", for the pose's face.
    QString accessibilityLabel() const;

    /// Paints the square with its top-left at `topLeft`.
    void paint(QPainter& painter, QPointF topLeft) const;
};

}  // namespace quorvel
