#include "kit/visuals/views/lists/RowLines.hpp"

#include <algorithm>

#include <QPainter>
#include <QStringList>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "kit/visuals/views/lists/RowFrame.hpp"

namespace quorvel {
namespace {

drawing::TextStyle titleStyle() {
    return {Fonts::mono(false, 13), 0, drawing::toQColor(Tokens::mascotWhite),
            Qt::AlignLeft | Qt::AlignVCenter, 1};
}

drawing::TextStyle trailingStyle(const Color& color) {
    return {Fonts::pixel(22), 0.88, drawing::toQColor(color), Qt::AlignRight | Qt::AlignVCenter, 1};
}

drawing::TextStyle detailStyle() {
    return {Fonts::mono(false, 11), 0, drawing::toQColor(Tokens::dim), Qt::AlignLeft | Qt::AlignVCenter, 1};
}

}  // namespace

RowLines::Layout RowLines::layout(const QRectF& frame) const {
    const QRectF content = RowFrame::contentRect(frame);
    const QSizeF chipSize = chip.size();
    const double titleHeight = drawing::lineHeight(titleStyle().font);
    const double firstHeight = std::max({chipSize.height(), titleHeight, trailingHeight});
    const double secondHeight = drawing::lineHeight(detailStyle().font);
    const double blockHeight = firstHeight + RowFrame::lineSpacing + secondHeight;
    const double top = content.top() + (content.height() - blockHeight) / 2;

    const double trailingWidth = drawing::naturalWidth(trailing, trailingStyle(trailingColor));
    const double titleLeft = content.left() + chipSize.width() + itemSpacing;
    // Between the title and the trailing label: a gap, the spacer's least length, a gap.
    const double titleWidth =
        std::max(0.0, content.right() - trailingWidth - itemSpacing - minimumGap - itemSpacing - titleLeft);

    Layout result;
    result.chip = QPointF(content.left(), top + (firstHeight - chipSize.height()) / 2);
    result.title = QRectF(titleLeft, top, titleWidth, firstHeight);
    result.trailing = QRectF(content.right() - trailingWidth, top + (firstHeight - trailingHeight) / 2,
                             trailingWidth, trailingHeight);
    result.detail = QRectF(content.left(), top + firstHeight + RowFrame::lineSpacing, content.width(),
                           secondHeight);
    return result;
}

QString RowLines::shownTitle(const QRectF& frame) const {
    return drawing::fitLine(title, titleStyle(), layout(frame).title.width()).text;
}

QString RowLines::shownDetail(const QRectF& frame) const {
    return drawing::fitLine(detail, detailStyle(), layout(frame).detail.width()).text;
}

QString RowLines::accessibilityLabel() const {
    QStringList parts;
    for (const QString& part : {chip.text, title, trailing, detail}) {
        if (!part.isEmpty()) parts.push_back(part);
    }
    return parts.join(QStringLiteral(", "));
}

QString RowLines::listLabel() const {
    return title + QStringLiteral(", ") + trailing + QStringLiteral(", ") + detail;
}

void RowLines::paint(QPainter& painter, const QRectF& frame, const Color& outline) const {
    RowFrame{outline}.paint(painter, frame, [&](QPainter& p, const QRectF&) {
        const Layout parts = layout(frame);
        chip.paint(p, parts.chip);
        drawing::drawTextLine(p, parts.title, title, titleStyle());
        drawing::drawTextLine(p, parts.trailing, trailing, trailingStyle(trailingColor));
        drawing::drawTextLine(p, parts.detail, detail, detailStyle());
    });
}

}  // namespace quorvel
