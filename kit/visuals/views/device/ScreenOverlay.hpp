#pragma once
// The flash and the dimming of a one-shot motion, over the screen's glass: an acid flash for
// done, a red one for broke and crashed, at the pose's flash opacity; then black at
// (1 - screenOn) x 0.85. A flash of 0 and a screen fully on leave the glass untouched.
#include <QRectF>

#include "kit/visuals/model/MascotMotion.hpp"
#include "kit/visuals/model/MascotPose.hpp"

class QPainter;

namespace quorvel {

struct ScreenOverlay {
    MascotPose pose;
    MascotMotion motion = MascotMotion::done;

    static constexpr double cornerRadius = 6;

    /// Opacity of the black dimming layer.
    double dimming() const;

    /// Paints over the screen's rounded rectangle `screen`.
    void paint(QPainter& painter, const QRectF& screen) const;
};

}  // namespace quorvel
