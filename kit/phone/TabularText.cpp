#include "kit/phone/TabularText.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

namespace quorvel {

double TabularText::digitCellWidth(const QFont& font) {
    const QFontMetricsF metrics(font);
    double widest = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit) widest = std::max(widest, metrics.horizontalAdvance(QChar(digit)));
    return widest;
}

double TabularText::width() const {
    const QFontMetricsF metrics(font);
    const double cell = digitCellWidth(font);
    double total = 0;
    for (const QChar character : text) total += character.isDigit() ? cell : metrics.horizontalAdvance(character);
    return total;
}

void TabularText::paint(QPainter& painter, const QRectF& frame) const {
    const QFontMetricsF metrics(font);
    const double cell = digitCellWidth(font);
    double x = frame.center().x() - width() / 2;
    const double baseline = frame.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    // Character by character, so surrogate pairs are kept together.
    for (int index = 0; index < text.size(); ++index) {
        int length = 1;
        if (text[index].isHighSurrogate() && index + 1 < text.size()) length = 2;
        const QString piece = text.mid(index, length);
        const double advance = metrics.horizontalAdvance(piece);
        const bool digit = length == 1 && text[index].isDigit();
        const double drawnAt = digit ? x + (cell - advance) / 2 : x;
        painter.drawText(QPointF(drawnAt, baseline), piece);
        x += digit ? cell : advance;
        index += length - 1;
    }
    painter.restore();
}

}  // namespace quorvel
