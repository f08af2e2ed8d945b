#include "kit/visuals/views/device/ScreenOverlay.hpp"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shape.hpp"

namespace quorvel {
namespace {

double unit(double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; }

}  // namespace

double ScreenOverlay::dimming() const { return (1 - unit(pose.screenOn)) * 0.85; }

void ScreenOverlay::paint(QPainter& painter, const QRectF& screen) const {
    const QPainterPath glass = Shape::continuousRoundedRectangle(cornerRadius).in(screen);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    if (const double flash = unit(pose.flash); flash > 0) {
        painter.fillPath(glass, drawing::toQColor(motion == MascotMotion::done ? Tokens::acid : Tokens::broke, flash));
    }
    if (const double dim = dimming(); dim > 0) painter.fillPath(glass, drawing::toQColor(Tokens::black, dim));
    painter.restore();
}

}  // namespace quorvel
