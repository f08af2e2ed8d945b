#include "kit/visuals/views/device/DetailLine.hpp"

#include <QPainter>
#include <algorithm>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

drawing::TextStyle style(double size) {
    drawing::TextStyle style;
    style.font = Fonts::mono(false, size);
    style.color = drawing::toQColor(Tokens::dim);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    style.minimumScale = 1;
    return style;
}

}  // namespace

QString DetailLine::suffixText() const {
    if (!suffix || suffix->empty()) return {};
    const QString text = QString::fromStdString(*suffix);
    return main.empty() ? text : QStringLiteral(" · ") + text;
}

double DetailLine::height(double size) { return drawing::lineHeight(Fonts::mono(false, size)); }

DetailLine::Layout DetailLine::layout(const QRectF& frame) const {
    const drawing::TextStyle lineStyle = style(size);
    const QString mainText = drawing::singleLine(QString::fromStdString(main));
    const QString suffix = drawing::singleLine(suffixText());
    const double available = std::max(0.0, frame.width());
    const double mainMinimum = mainText.isEmpty() ? 0 : 5 * size;

    // The suffix is laid out first (it has the higher priority), with what the main part's
    // minimum leaves; the main part then takes the rest.
    const drawing::FittedLine fittedSuffix =
        drawing::fitLine(suffix, lineStyle, std::max(0.0, available - mainMinimum));
    const double suffixWidth = suffix.isEmpty() ? 0 : fittedSuffix.size.width();
    const drawing::FittedLine fittedMain =
        drawing::fitLine(mainText, lineStyle, std::max(mainMinimum, available - suffixWidth));
    const double mainWidth = mainText.isEmpty() ? 0 : std::max(fittedMain.size.width(), 0.0);

    Layout result;
    result.mainText = fittedMain.text;
    result.mainRect = QRectF(frame.left(), frame.top(), mainWidth, frame.height());
    result.suffixText = suffix.isEmpty() ? QString() : fittedSuffix.text;
    result.suffixRect = QRectF(result.mainRect.right(), frame.top(), suffixWidth, frame.height());
    return result;
}

void DetailLine::paint(QPainter& painter, const Layout& layout) const {
    const drawing::TextStyle lineStyle = style(size);
    // Each part is already fitted; give the drawing a little slack so rounding never re-cuts it.
    if (!layout.mainText.isEmpty()) {
        drawing::drawTextLine(painter, layout.mainRect.adjusted(0, 0, 0.5, 0), layout.mainText, lineStyle);
    }
    if (!layout.suffixText.isEmpty()) {
        drawing::drawTextLine(painter, layout.suffixRect.adjusted(0, 0, 0.5, 0), layout.suffixText, lineStyle);
    }
}

}  // namespace quorvel
