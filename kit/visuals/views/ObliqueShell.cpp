#include "kit/visuals/views/ObliqueShell.hpp"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/Grain.hpp"
#include "kit/visuals/views/Painting.hpp"
#include "kit/visuals/views/Shadow.hpp"

namespace quorvel {
QSizeF ObliqueShell::totalSize(QSizeF face) const {
    return {outerLeading + face.width() + depthX + outerTrailing, outerTop + face.height() + depthY + outerBottom};
}

QRectF ObliqueShell::frame(QSizeF face) const {
    return {outerLeading, outerTop, face.width() + depthX, face.height() + depthY};
}

QRectF ObliqueShell::faceRect(QSizeF face) const { return {QPointF(outerLeading, outerTop + depthY), face}; }

QPainterPath ObliqueShell::silhouette(const QRectF& frame) const {
    const double x = frame.left();
    const double y = frame.top();
    const double w = frame.width();
    const double h = frame.height();
    QPainterPath path;
    path.moveTo(x, y + depthY);
    path.lineTo(x + depthX, y);
    path.lineTo(x + w, y);
    path.lineTo(x + w, y + h - depthY);
    path.lineTo(x + w - depthX, y + h);
    path.lineTo(x, y + h);
    path.closeSubpath();
    return path;
}

QPainterPath ObliqueShell::topFace(const QRectF& frame) const {
    const double x = frame.left();
    const double y = frame.top();
    const double w = frame.width();
    QPainterPath path;
    path.moveTo(x, y + depthY);
    path.lineTo(x + depthX, y);
    path.lineTo(x + w, y);
    path.lineTo(x + w - depthX, y + depthY);
    path.closeSubpath();
    return path;
}

void ObliqueShell::paint(QPainter& painter, const QRectF& frame) const {
    const QPainterPath outline = silhouette(frame);
    const QPainterPath top = topFace(frame);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(outline, drawing::toQColor(Tokens::side));
    painter.fillPath(top, drawing::toQColor(Tokens::top));

    painter.save();
    painter.setClipPath(top, Qt::IntersectClip);
    Grain{0.1}.paint(painter, top.boundingRect());
    painter.restore();

    QPainterPath crease;
    crease.moveTo(frame.right() - depthX, frame.top() + depthY);
    crease.lineTo(frame.right(), frame.top());
    drawing::strokePath(painter, crease, drawing::toQColor(Tokens::ink), 1.5);

    QPen pen = drawing::strokePen(drawing::toQColor(Tokens::ink), 3);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.strokePath(outline, pen);
    painter.restore();
}

void ObliqueShell::paintFloorShadow(QPainter& painter, const QRectF& frame) {
    QPainterPath ellipse;
    ellipse.addEllipse(QRectF(frame.left() + 10, frame.bottom() - 22, frame.width() - 20, 22));
    drawing::drawShadow(painter, ellipse, drawing::Shadow{drawing::toQColor(Tokens::black, 0.25), 6, QPointF(0, 7)});
}

namespace {

// A hard inner shadow of a rectangle is the rectangle less itself moved by the offset: a band
// along two edges. Painted as such, it costs two fills instead of a layer the casing's size.
void paintRectangleInnerShadow(QPainter& painter, const QRectF& rect, const QColor& colour, QPointF offset) {
    const double dx = std::min(std::abs(offset.x()), rect.width());
    const double dy = std::min(std::abs(offset.y()), rect.height());
    const QRectF across = offset.y() >= 0 ? QRectF(rect.left(), rect.top(), rect.width(), dy)
                                          : QRectF(rect.left(), rect.bottom() - dy, rect.width(), dy);
    const double sideTop = offset.y() >= 0 ? across.bottom() : rect.top();
    const QRectF side = offset.x() >= 0 ? QRectF(rect.left(), sideTop, dx, rect.height() - dy)
                                        : QRectF(rect.right() - dx, sideTop, dx, rect.height() - dy);
    painter.fillRect(across, colour);
    painter.fillRect(side, colour);
}

}  // namespace

void Casing::paint(QPainter& painter, const QRectF& face) {
    painter.fillRect(face, drawing::toQColor(Tokens::chassis));
    paintRectangleInnerShadow(painter, face, QColor::fromRgbF(1, 1, 1, 0.14), QPointF(2, 2));
    paintRectangleInnerShadow(painter, face, drawing::toQColor(Tokens::black, 0.5), QPointF(-3, -4));
    Grain{grainOpacity}.paint(painter, face);
}

void Casing::paintBorder(QPainter& painter, const QRectF& face) {
    QPainterPath border;
    border.addRect(drawing::insetForStroke(face, borderWidth));
    drawing::strokePath(painter, border, drawing::toQColor(Tokens::ink), borderWidth);
}

}  // namespace quorvel
