#include "kit/visuals/views/device/FloppyLabelView.hpp"

#include <QPainter>
#include <QPainterPath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shape.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

constexpr double topPadding = 4;
constexpr double sidePadding = 5;
constexpr double projectLineHeight = 14;
constexpr double lineSpacing = 1;

drawing::TextStyle projectStyle() {
    return {Fonts::pixel(16), 0, drawing::toQColor(Tokens::ink), Qt::AlignLeft | Qt::AlignVCenter, 1};
}

drawing::TextStyle durationStyle() {
    return {Fonts::mono(true, 9), 0, drawing::toQColor(Tokens::steel), Qt::AlignLeft | Qt::AlignTop, 1};
}

double lineWidth() { return FloppyLabelView::width - 2 * sidePadding; }

}  // namespace

QRectF FloppyLabelView::frame(QPointF floppyTopLeft) {
    return {floppyTopLeft + offset, QSizeF(width, height)};
}

QRectF FloppyLabelView::projectRect(const QRectF& frame) {
    return {frame.left() + sidePadding, frame.top() + topPadding, lineWidth(), projectLineHeight};
}

QRectF FloppyLabelView::durationRect(const QRectF& frame) {
    const double top = frame.top() + topPadding + projectLineHeight + lineSpacing;
    return {frame.left() + sidePadding, top, lineWidth(), drawing::lineHeight(durationStyle().font)};
}

QString FloppyLabelView::shownProject() const {
    return drawing::fitLine(QString::fromStdString(label.project), projectStyle(), lineWidth()).text;
}

QString FloppyLabelView::shownDuration() const {
    return drawing::fitLine(QString::fromStdString(label.duration), durationStyle(), lineWidth()).text;
}

QString FloppyLabelView::accessibilityLabel() const {
    return QStringLiteral("Disk label ") + QString::fromStdString(label.project) + QLatin1Char(' ') +
           QString::fromStdString(label.duration);
}

void FloppyLabelView::paint(QPainter& painter, const QRectF& frame) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QPainterPath sticker = Shape::continuousRoundedRectangle(1).in(frame);
    painter.fillPath(sticker, drawing::toQColor(Tokens::mascotWhite));
    drawing::drawTextLine(painter, projectRect(frame), QString::fromStdString(label.project), projectStyle());
    drawing::drawTextLine(painter, durationRect(frame), QString::fromStdString(label.duration), durationStyle());
    painter.restore();
}

}  // namespace quorvel
