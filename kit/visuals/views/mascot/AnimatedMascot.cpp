#include "kit/visuals/views/mascot/AnimatedMascot.hpp"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "kit/visuals/model/PixelArt.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/mascot/MascotRenderer.hpp"

namespace quorvel {

double AnimatedMascot::verticalOffset(double offsetY, double scale, std::optional<double> ceiling) {
    const double dy = scale / 12 * offsetY;
    if (!std::isfinite(dy)) return 0;
    if (!ceiling || dy >= 0 || !(*ceiling > 0) || !std::isfinite(*ceiling)) return dy;
    return -*ceiling * std::tanh(-dy / *ceiling);
}

AnimatedMascot AnimatedMascot::fading(const std::optional<FaceFade>& fade, Instant time) const {
    AnimatedMascot result = *this;
    if (fade) {
        if (const auto progress = fade->progress(time)) result.fadingFrom = std::pair{fade->from, *progress};
    }
    return result;
}

QRectF AnimatedMascot::scanlineRect(double position, double scale) {
    const double s = std::isfinite(position) ? std::clamp(position, 0.0, 1.0) : 0.0;
    const double height = std::max(4 * scale / 12, 1.0);
    const double y = 3 * scale + std::floor(s * 14) / 14 * (7 * scale - height);
    return {3 * scale, y, 10 * scale, height};
}

QString AnimatedMascot::accessibilityLabel() const {
    const std::string_view face = PixelArt::rawValue(pose.face);
    return QStringLiteral("Quorvel mascot, ") + QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size())) +
           QStringLiteral(" face");
}

void AnimatedMascot::paint(QPainter& painter, QPointF topLeft) const {
    painter.save();
    const QPointF centre = topLeft + QPointF(size().width() / 2, size().height() / 2);
    painter.translate(centre);
    if (std::isfinite(pose.rotation)) painter.rotate(pose.rotation);
    painter.translate(-centre);
    painter.translate(0, verticalOffset(pose.offsetY, scale, ceiling));

    const MascotRenderer::Key key{pose.face, broke, true, pose.faceShift, scale,
                                  drawing::devicePixelsPerPoint(painter), true};
    if (reduceMotion && fadingFrom && fadingFrom->first != pose.face) {
        const double progress = std::isfinite(fadingFrom->second) ? std::clamp(fadingFrom->second, 0.0, 1.0) : 1.0;
        // The new face at full strength under the old one fading out: the body, the same in
        // both, never thins out halfway.
        MascotRenderer::Key old = key;
        old.face = fadingFrom->first;
        MascotRenderer::draw(painter, topLeft, key);
        const double opacity = painter.opacity();
        painter.setOpacity(opacity * (1 - progress));
        MascotRenderer::draw(painter, topLeft, old);
        painter.setOpacity(opacity);
    } else {
        MascotRenderer::draw(painter, topLeft, key);
    }

    if (pose.scanline) {
        painter.fillRect(scanlineRect(*pose.scanline, scale).translated(topLeft),
                         drawing::toQColor(Tokens::acid, 0.35));
    }
    painter.restore();
}

}  // namespace quorvel
