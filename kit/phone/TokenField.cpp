#include "kit/phone/TokenField.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

#include "kit/phone/RecessedField.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/Fonts.hpp"
#include "kit/visuals/views/Painting.hpp"
#include "kit/visuals/views/TextLine.hpp"

namespace quorvel {
namespace {

constexpr char16_t ellipsis = u'\u2026';

// `text` broken into lines of at most `width` points, breaking anywhere (a token has no
// spaces worth keeping whole).
std::vector<QString> brokenAnywhere(const QString& text, const QFontMetricsF& metrics, double width) {
    std::vector<QString> lines;
    QString line;
    for (int index = 0; index < text.size(); ++index) {
        int length = text[index].isHighSurrogate() && index + 1 < text.size() ? 2 : 1;
        const QString piece = text.mid(index, length);
        if (!line.isEmpty() && metrics.horizontalAdvance(line + piece) > width) {
            lines.push_back(line);
            line.clear();
        }
        line += piece;
        index += length - 1;
    }
    if (!line.isEmpty() || lines.empty()) lines.push_back(line);
    return lines;
}

// The first `kept` characters of `text` split around an ellipsis: the longer half first.
QString cutInTheMiddle(const QString& text, int kept) {
    const int head = (kept + 1) / 2;
    const int tail = kept - head;
    return text.left(head) + QChar(ellipsis) + text.right(tail);
}

}  // namespace

int TokenField::lineLimit() const { return std::max(1, lines); }

QString TokenField::shownText() const {
    if (token) return drawing::singleLine(QString::fromStdString(*token).toLower());
    return drawing::singleLine(QString::fromStdString(placeholder));
}

std::vector<QString> TokenField::shownLines(double textWidth) const {
    const QFontMetricsF metrics(Fonts::mono(false, textSize));
    const double width = std::max(1.0, textWidth);
    const QString text = shownText();
    std::vector<QString> whole = brokenAnywhere(text, metrics, width);
    if (static_cast<int>(whole.size()) <= lineLimit()) return whole;
    // The most characters that still fit with the cut; found by halving.
    int fits = 0;
    int low = 1;
    int high = static_cast<int>(text.size()) - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        if (static_cast<int>(brokenAnywhere(cutInTheMiddle(text, middle), metrics, width).size()) <= lineLimit()) {
            fits = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return brokenAnywhere(cutInTheMiddle(text, fits), metrics, width);
}

double TokenField::height(double width) const {
    const double lineHeight = QFontMetricsF(Fonts::mono(false, textSize)).height();
    const auto shown = shownLines(width - 2 * horizontalPadding);
    return 2 * verticalPadding + lineHeight * static_cast<double>(shown.size());
}

void TokenField::paint(QPainter& painter, const QRectF& frame) const {
    RecessedField::paint(painter, frame);
    const QFont font = Fonts::mono(false, textSize);
    const QFontMetricsF metrics(font);
    const QRectF column = frame.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    painter.save();
    painter.setFont(font);
    painter.setPen(drawing::toQColor(showsToken() ? Tokens::mascotWhite : Tokens::dim));
    double baseline = column.top() + metrics.ascent();
    for (const QString& line : shownLines(column.width())) {
        painter.drawText(QPointF(column.left(), baseline), line);
        baseline += metrics.height();
    }
    painter.restore();
}

}  // namespace quorvel
