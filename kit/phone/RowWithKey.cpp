#include "kit/phone/RowWithKey.hpp"

#include <algorithm>

#include "kit/phone/RecessedField.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

drawing::TextStyle lineStyle(double size, const Color& color) {
    drawing::TextStyle style;
    style.font = Fonts::mono(false, size);
    style.color = drawing::toQColor(color);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    return style;
}

}  // namespace

RowWithKey::Layout RowWithKey::layout(double width) const {
    const QSizeF key = SmallKeyStyle::size(QString::fromStdString(keyLabel));
    const double keyLeft = std::max(horizontalPadding, width - horizontalPadding - key.width());
    const double nameHeight = drawing::lineHeight(Fonts::mono(false, nameSize));
    const double line2Height = drawing::lineHeight(Fonts::mono(false, line2Size));
    const double textTop = (height - (nameHeight + lineSpacing + line2Height)) / 2;
    const double textWidth = std::max(0.0, keyLeft - 2 * spacing - minimumGap - horizontalPadding);
    Layout layout;
    layout.name = {horizontalPadding, textTop, textWidth, nameHeight};
    layout.line2 = {horizontalPadding, textTop + nameHeight + lineSpacing, textWidth, line2Height};
    layout.key = {keyLeft, (height - key.height()) / 2, key.width(), key.height()};
    return layout;
}

void RowWithKey::paintBody(QPainter& painter, const QRectF& frame) const {
    RecessedField::paint(painter, frame);
    const Layout parts = layout(frame.width());
    drawing::drawTextLine(painter, parts.name.translated(frame.topLeft()), QString::fromStdString(name),
                          lineStyle(nameSize, Tokens::mascotWhite));
    drawing::drawTextLine(painter, parts.line2.translated(frame.topLeft()), QString::fromStdString(line2),
                          lineStyle(line2Size, Tokens::dim));
}

void RowWithKey::paint(QPainter& painter, const QRectF& frame, bool keyPressed) const {
    paintBody(painter, frame);
    const Layout parts = layout(frame.width());
    SmallKeyStyle{keyStyle}.paint(painter, parts.key.translated(frame.topLeft()), QString::fromStdString(keyLabel),
                                  keyPressed);
}

bool RowWithKey::tap(const QPointF& point, double width) const {
    if (!layout(width).key.contains(point)) return false;
    if (action) action();
    return true;
}

}  // namespace quorvel
