#include "app/windows/settings/EntryField.hpp"

#include <QPainter>
#include <QPalette>
#include <cmath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shape.hpp"

namespace quorvel {

EntryField::EntryField(double textWidth, double fontSize, const QString& placeholder, QWidget* parent)
    : QLineEdit(parent) {
    setFont(Fonts::mono(false, fontSize));
    setPlaceholderText(placeholder);
    setFrame(false);
    const int margin = static_cast<int>(padding);
    setTextMargins(margin, margin, margin, margin);
    QPalette colours = palette();
    // The plate is painted under the text; a style's own square panel must not cover its corners.
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, drawing::toQColor(Tokens::mascotWhite));
    colours.setColor(QPalette::PlaceholderText, drawing::toQColor(Tokens::dim));
    colours.setColor(QPalette::Highlight, drawing::toQColor(Tokens::acid));
    colours.setColor(QPalette::HighlightedText, drawing::toQColor(Tokens::ink));
    setPalette(colours);
    setFixedWidth(static_cast<int>(std::ceil(textWidth + 2 * padding)));
}

void EntryField::makeSecret() {
    setEchoMode(QLineEdit::Password);
    setInputMethodHints(inputMethodHints() | Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText |
                        Qt::ImhNoAutoUppercase);
}

void EntryField::setShownText(const QString& text) {
    if (this->text() != text) setText(text);
}

namespace {

// What a line edit keeps above and below its line inside the text margins.
constexpr int lineMargin = 1;

}  // namespace

QSize EntryField::sizeHint() const {
    return {QLineEdit::sizeHint().width(), fontMetrics().height() + 2 * lineMargin + 2 * static_cast<int>(padding)};
}

QSize EntryField::minimumSizeHint() const { return {QLineEdit::minimumSizeHint().width(), sizeHint().height()}; }

void EntryField::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.fillPath(Shape::continuousRoundedRectangle(cornerRadius).in(QRectF(rect())),
                         drawing::toQColor(Tokens::screen));
    }
    QLineEdit::paintEvent(event);
}

}  // namespace quorvel
