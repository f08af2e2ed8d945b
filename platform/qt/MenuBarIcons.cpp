#include "platform/qt/MenuBarIcons.hpp"

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>
#include <functional>

namespace quorvel::MenuBarIcons {
namespace {

// Drawn on a 64 × 64 canvas and scaled to each size.
constexpr double canvas = 64.0;
const QColor stroke(0xF4, 0xF3, 0xEE);
const QColor outline(0x0E, 0x0E, 0x0E);

// A shape as strokes and fills: drawn once wide in the outline colour, then in the stroke
// colour on top.
struct Shape {
    QPainterPath strokes;
    QPainterPath fills;
    // Drawn last, in the outline colour (cut-outs in a filled shape).
    QPainterPath cuts;
};

QPainterPath roundedRect(double x, double y, double width, double height, double radius) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, width, height), radius, radius);
    return path;
}

QPainterPath prompt() {
    QPainterPath path;
    path.moveTo(17, 25);
    path.lineTo(27, 33);
    path.lineTo(17, 41);
    path.moveTo(31, 43);
    path.lineTo(45, 43);
    return path;
}

Shape terminal() {
    Shape shape;
    shape.strokes = roundedRect(6, 12, 52, 40, 7);
    shape.strokes.addPath(prompt());
    return shape;
}

Shape terminalFill() {
    Shape shape;
    shape.fills = roundedRect(6, 12, 52, 40, 7);
    shape.cuts = prompt();
    return shape;
}

Shape checkmarkCircle() {
    Shape shape;
    shape.strokes.addEllipse(QPointF(32, 32), 25, 25);
    shape.strokes.moveTo(20, 33);
    shape.strokes.lineTo(28, 41);
    shape.strokes.lineTo(44, 23);
    return shape;
}

Shape exclamationBubble() {
    Shape shape;
    QPainterPath bubble = roundedRect(6, 8, 52, 38, 12);
    QPolygonF tail;
    tail << QPointF(16, 40) << QPointF(14, 56) << QPointF(30, 44);
    QPainterPath tailPath;
    tailPath.addPolygon(tail);
    tailPath.closeSubpath();
    shape.strokes = bubble.united(tailPath);
    shape.strokes.moveTo(32, 15);
    shape.strokes.lineTo(32, 24);
    shape.fills.addEllipse(QPointF(32, 36), 3, 3);
    return shape;
}

Shape xmarkOctagon() {
    Shape shape;
    QPolygonF octagon;
    for (int corner = 0; corner < 8; ++corner) {
        const double angle = (22.5 + 45.0 * corner) * M_PI / 180.0;
        octagon << QPointF(32 + 26 * std::cos(angle), 32 + 26 * std::sin(angle));
    }
    octagon << octagon.front();
    shape.strokes.addPolygon(octagon);
    shape.strokes.moveTo(23, 23);
    shape.strokes.lineTo(41, 41);
    shape.strokes.moveTo(41, 23);
    shape.strokes.lineTo(23, 41);
    return shape;
}

Shape boltSlash() {
    Shape shape;
    QPolygonF bolt;
    bolt << QPointF(36, 5) << QPointF(14, 36) << QPointF(30, 36) << QPointF(26, 59) << QPointF(50, 26)
         << QPointF(34, 26) << QPointF(36, 5);
    shape.strokes.addPolygon(bolt);
    shape.strokes.moveTo(9, 9);
    shape.strokes.lineTo(55, 55);
    return shape;
}

Shape shapeOf(std::string_view symbol) {
    if (symbol == "terminal.fill") return terminalFill();
    if (symbol == "checkmark.circle") return checkmarkCircle();
    if (symbol == "exclamationmark.bubble") return exclamationBubble();
    if (symbol == "xmark.octagon") return xmarkOctagon();
    if (symbol == "bolt.slash") return boltSlash();
    return terminal();
}

QPixmap draw(const Shape& shape, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / canvas, size / canvas);
    const auto pen = [](const QColor& colour, double width) {
        return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    };
    // Outline first, then the light strokes and fills over it.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(pen(outline, 10));
    painter.drawPath(shape.strokes);
    painter.drawPath(shape.fills);
    painter.setPen(pen(stroke, 5));
    painter.drawPath(shape.strokes);
    painter.setPen(Qt::NoPen);
    painter.setBrush(stroke);
    painter.drawPath(shape.fills);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(pen(outline, 5));
    painter.drawPath(shape.cuts);
    return pixmap;
}

}  // namespace

QIcon icon(std::string_view symbol) {
    const Shape shape = shapeOf(symbol);
    QIcon result;
    for (const int size : {16, 22, 24, 32, 48, 64}) result.addPixmap(draw(shape, size));
    return result;
}

QStringList symbols() {
    return {"terminal", "terminal.fill", "checkmark.circle", "exclamationmark.bubble", "xmark.octagon", "bolt.slash"};
}

}  // namespace quorvel::MenuBarIcons
