#include "kit/phone/PageTitle.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

drawing::TextStyle subtitleStyle() {
    drawing::TextStyle style;
    style.font = Fonts::mono(false, PageTitle::subtitleSize);
    style.color = drawing::toQColor(Tokens::dim);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    return style;
}

QString plain(const std::string& text) { return drawing::singleLine(QString::fromStdString(text)); }

}  // namespace

std::string PageTitle::countText() const { return count ? std::to_string(*count) : std::string(); }

double PageTitle::rowWidth() const {
    double width = QFontMetricsF(Fonts::pixel(titleSize)).horizontalAdvance(plain(title));
    if (count) width += countSpacing + QFontMetricsF(Fonts::pixel(countSize)).horizontalAdvance(plain(countText()));
    return std::ceil(width);
}

QRectF PageTitle::subtitleRect() const {
    if (!subtitle) return {};
    const drawing::TextStyle style = subtitleStyle();
    return {0, rowHeight + subtitleSpacing, std::ceil(drawing::naturalWidth(plain(*subtitle), style)),
            drawing::lineHeight(style.font)};
}

QSizeF PageTitle::size() const {
    const QRectF below = subtitleRect();
    return {std::max(rowWidth(), below.width()), subtitle ? below.bottom() : rowHeight};
}

void PageTitle::paint(QPainter& painter, const QPointF& topLeft, double width) const {
    const QFont titleFont = Fonts::pixel(titleSize);
    const QFontMetricsF titleMetrics(titleFont);
    // The row's line box is the title's; it is centred on the 36-point row.
    const double baseline = topLeft.y() + rowHeight / 2 + (titleMetrics.ascent() - titleMetrics.descent()) / 2;
    painter.save();
    painter.setFont(titleFont);
    painter.setPen(drawing::toQColor(Tokens::acid));
    painter.drawText(QPointF(topLeft.x(), baseline), plain(title));
    if (count) {
        painter.setFont(Fonts::pixel(countSize));
        painter.setPen(drawing::toQColor(Tokens::dim));
        painter.drawText(QPointF(topLeft.x() + titleMetrics.horizontalAdvance(plain(title)) + countSpacing, baseline),
                         plain(countText()));
    }
    painter.restore();
    if (subtitle) {
        QRectF line = subtitleRect().translated(topLeft);
        if (std::isfinite(width)) line.setWidth(std::max(0.0, width));
        else line.setWidth(line.width() + 1);
        drawing::drawTextLine(painter, line, QString::fromStdString(*subtitle), subtitleStyle());
    }
}

std::string PageTitle::accessibilityLabel() const {
    std::string label = title;
    if (count) label += ", " + countText();
    if (subtitle) label += ", " + *subtitle;
    return label;
}

}  // namespace quorvel
