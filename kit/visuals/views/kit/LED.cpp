#include "kit/visuals/views/kit/LED.hpp"

#include <cmath>

#include <QPainter>
#include <QPainterPath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shadow.hpp"

namespace quorvel {

QRectF LED::frame(const QPointF& centre) const {
    const double diameter = std::isfinite(size) && size > 0 ? size : 0.0;
    return {centre.x() - diameter / 2, centre.y() - diameter / 2, diameter, diameter};
}

void LED::paint(QPainter& painter, const QRectF& frame) const {
    if (!std::isfinite(size) || size <= 0) return;
    QPainterPath lamp;
    lamp.addEllipse(frame.center(), size / 2, size / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (on) drawing::drawShadow(painter, lamp, {drawing::toQColor(color, glowOpacity), glowRadius, {0, 0}});
    painter.fillPath(lamp, drawing::toQColor(on ? color : Tokens::steel));
    drawing::strokePath(painter, lamp, drawing::toQColor(Tokens::ink), 1);
    painter.restore();
}

}  // namespace quorvel
