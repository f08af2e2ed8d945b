#include "kit/phone/TokenField.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <algorithm>

#include "kit/phone/RecessedField.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

constexpr char16_t ellipsis = u'\u2026';

// The characters of `text` as the reader sees them (grapheme clusters), so no line break or
// cut ever splits one.
std::vector<QString> characters(const QString& text) {
    std::vector<QString> pieces;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (end > start) pieces.push_back(text.mid(start, end - start));
        start = end;
    }
    return pieces;
}

// `pieces` broken into lines of at most `width` points, breaking between any two characters (a
// token has no spaces worth keeping whole).
std::vector<QString> brokenAnywhere(const std::vector<QString>& pieces, const QFontMetricsF& metrics, double width) {
    std::vector<QString> lines;
    QString line;
    for (const QString& piece : pieces) {
        if (!line.isEmpty() && metrics.horizontalAdvance(line + piece) > width) {
            lines.push_back(line);
            line.clear();
        }
        line += piece;
    }
    if (!line.isEmpty() || lines.empty()) lines.push_back(line);
    return lines;
}

// `kept` characters of `pieces` split around an ellipsis: the longer half first.
std::vector<QString> cutInTheMiddle(const std::vector<QString>& pieces, std::size_t kept) {
    const std::size_t head = (kept + 1) / 2;
    const std::size_t tail = kept - head;
    std::vector<QString> cut(pieces.begin(), pieces.begin() + static_cast<std::ptrdiff_t>(head));
    cut.push_back(QString(QChar(ellipsis)));
    cut.insert(cut.end(), pieces.end() - static_cast<std::ptrdiff_t>(tail), pieces.end());
    return cut;
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
    const std::vector<QString> pieces = characters(shownText());
    std::vector<QString> whole = brokenAnywhere(pieces, metrics, width);
    if (static_cast<int>(whole.size()) <= lineLimit()) return whole;
    // The most characters that still fit with the cut; found by halving.
    std::size_t fits = 0;
    std::size_t low = 1;
    std::size_t high = pieces.size() - 1;
    while (low <= high) {
        const std::size_t middle = low + (high - low) / 2;
        if (static_cast<int>(brokenAnywhere(cutInTheMiddle(pieces, middle), metrics, width).size()) <= lineLimit()) {
            fits = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return brokenAnywhere(cutInTheMiddle(pieces, fits), metrics, width);
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
