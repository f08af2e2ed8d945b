#include "kit/phone/CheckCircle.hpp"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {

QColor CheckCircle::doneColor() { return drawing::toQColor(Tokens::green); }

void CheckCircle::paint(QPainter& painter, const QRectF& frame) const {
    const double side = std::min(frame.width(), frame.height());
    if (side <= 0) return;
    QRectF circle(0, 0, side, side);
    circle.moveCenter(frame.center());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!done) {
        painter.setPen(QPen(secondary, ringWidth));
        painter.setBrush(Qt::NoBrush);
        const double half = ringWidth / 2;
        painter.drawEllipse(circle.adjusted(half, half, -half, -half));
        painter.restore();
        return;
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(doneColor());
    painter.drawEllipse(circle);
    QPainterPath tick;
    tick.moveTo(circle.left() + side * 0.28, circle.top() + side * 0.52);
    tick.lineTo(circle.left() + side * 0.44, circle.top() + side * 0.68);
    tick.lineTo(circle.left() + side * 0.73, circle.top() + side * 0.35);
    QPen pen(drawing::toQColor(Tokens::white), std::max(1.5, side * 0.11), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
    painter.restore();
}

}  // namespace quorvel
