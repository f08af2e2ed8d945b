#include "app/windows/EntryField.hpp"

#include <QPalette>
#include <cmath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/Fonts.hpp"
#include "kit/visuals/views/Painting.hpp"

namespace quorvel {

EntryField::EntryField(double textWidth, double fontSize, const QString& placeholder, QWidget* parent)
    : QLineEdit(parent) {
    setFont(Fonts::mono(false, fontSize));
    setPlaceholderText(placeholder);
    setFrame(false);
    const QColor plate = drawing::toQColor(Tokens::screen);
    const QColor text = drawing::toQColor(Tokens::mascotWhite);
    setStyleSheet(QStringLiteral("QLineEdit { background-color: %1; color: %2; border: none; border-radius: %3px;"
                                 " padding: %4px; selection-background-color: %5; selection-color: %6; }")
                      .arg(plate.name(), text.name())
                      .arg(cornerRadius)
                      .arg(padding)
                      .arg(drawing::toQColor(Tokens::acid).name(), drawing::toQColor(Tokens::ink).name()));
    QPalette colours = palette();
    colours.setColor(QPalette::PlaceholderText, drawing::toQColor(Tokens::dim));
    colours.setColor(QPalette::Text, text);
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

}  // namespace quorvel
