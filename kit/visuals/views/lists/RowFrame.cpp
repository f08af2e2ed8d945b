#include "kit/visuals/views/lists/RowFrame.hpp"

#include <QPainter>
#include <QPainterPath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shape.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {

QRectF RowFrame::contentRect(const QRectF& frame) {
    return frame.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
}

void RowFrame::paint(QPainter& painter, const QRectF& frame,
                     const std::function<void(QPainter&, const QRectF&)>& content) const {
    BevelSurface{Shape::continuousRoundedRectangle(cornerRadius), Tokens::inset, Tokens::keyDepth,
                 Bevel::recessed(), std::nullopt, 2}
        .paint(painter, frame);
    if (content) content(painter, contentRect(frame));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF edge = drawing::insetForStroke(frame, outlineWidth);
    const QPainterPath path = Shape::continuousRoundedRectangle(cornerRadius - outlineWidth / 2).in(edge);
    drawing::strokePath(painter, path, drawing::toQColor(outline), outlineWidth);
    painter.restore();
}

void BlankRow::paint(QPainter& painter, const QRectF& frame) const {
    RowFrame{Tokens::ink}.paint(painter, frame);
}

void EmptyRow::paint(QPainter& painter, const QRectF& frame) const {
    RowFrame{Tokens::ink}.paint(painter, frame, [this](QPainter& p, const QRectF& content) {
        const drawing::TextStyle style{Fonts::mono(false, 13), 0, drawing::toQColor(Tokens::dim),
                                       Qt::AlignLeft | Qt::AlignVCenter, 1};
        drawing::drawTextLine(p, content, text, style);
    });
}

}  // namespace quorvel
