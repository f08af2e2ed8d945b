#include "kit/visuals/views/kit/TextLine.hpp"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

namespace quorvel::drawing {

namespace {

bool breaksOrControls(QChar character) {
    const char16_t code = character.unicode();
    return code == 0x85 || code == 0x2028 || code == 0x2029 || character.category() == QChar::Other_Control;
}

QFont styledFont(const TextStyle& style) { return trackedFont(style.font, style.tracking); }

double validWidth(double width) {
    if (std::isnan(width)) return 0;
    return std::max(0.0, width);
}

}  // namespace

QString singleLine(const QString& text) {
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar character = text[i];
        if (character == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;  // CR LF is one break
        line.append(breaksOrControls(character) ? QChar(u' ') : character);
    }
    return line;
}

QFont trackedFont(QFont font, double tracking) {
    font.setLetterSpacing(QFont::AbsoluteSpacing, std::isfinite(tracking) ? tracking : 0.0);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

double lineHeight(const QFont& font) {
    const QFontMetricsF metrics(font);
    return metrics.ascent() + metrics.descent();
}

double naturalWidth(const QString& text, const TextStyle& style) {
    return QFontMetricsF(styledFont(style)).horizontalAdvance(singleLine(text));
}

QSizeF naturalSize(const QString& text, const TextStyle& style) {
    return {naturalWidth(text, style), lineHeight(styledFont(style))};
}

FittedLine fitLine(const QString& text, const TextStyle& style, double width) {
    const QFont font = styledFont(style);
    const QFontMetricsF metrics(font);
    const QString line = singleLine(text);
    const double natural = metrics.horizontalAdvance(line);
    const double height = metrics.ascent() + metrics.descent();
    FittedLine fitted{line, 1.0, {natural, height}};
    if (std::isinf(width) || natural <= validWidth(width)) return fitted;
    width = validWidth(width);
    const double minimum = std::isfinite(style.minimumScale) ? std::clamp(style.minimumScale, 0.01, 1.0) : 1.0;
    const double needed = natural > 0 ? width / natural : 1.0;
    if (needed >= minimum) {
        fitted.scale = needed;
        fitted.size = {width, height * needed};
        return fitted;
    }
    fitted.scale = minimum;
    fitted.text = metrics.elidedText(line, Qt::ElideRight, width / minimum);
    fitted.size = {metrics.horizontalAdvance(fitted.text) * minimum, height * minimum};
    return fitted;
}

FittedLine drawTextLine(QPainter& painter, const QRectF& frame, const QString& text, const TextStyle& style) {
    const FittedLine fitted = fitLine(text, style, frame.width());
    if (fitted.text.isEmpty()) return fitted;
    const QFont font = styledFont(style);
    const QFontMetricsF metrics(font);
    double x = frame.left() + (frame.width() - fitted.size.width()) / 2;
    if (style.alignment & Qt::AlignLeft) x = frame.left();
    if (style.alignment & Qt::AlignRight) x = frame.right() - fitted.size.width();
    double top = frame.top() + (frame.height() - fitted.size.height()) / 2;
    if (style.alignment & Qt::AlignTop) top = frame.top();
    if (style.alignment & Qt::AlignBottom) top = frame.bottom() - fitted.size.height();
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.translate(x, top + metrics.ascent() * fitted.scale);
    painter.scale(fitted.scale, fitted.scale);
    painter.setFont(font);
    painter.setPen(style.color);
    // A point and a string: drawn as plain text, never clipped to the frame.
    painter.drawText(QPointF(0, 0), fitted.text);
    painter.restore();
    return fitted;
}

QPainterPath textPath(const QString& text, const QFont& font, const QPointF& baseline) {
    QPainterPath path;
    path.addText(baseline, font, singleLine(text));
    return path;
}

}  // namespace quorvel::drawing
