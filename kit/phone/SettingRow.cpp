#include "kit/phone/SettingRow.hpp"

#include <algorithm>

#include "kit/phone/RecessedField.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {

WrappedText SettingRow::nameBlock() const {
    return {QString::fromStdString(name), Fonts::mono(false, nameSize), drawing::toQColor(Tokens::mascotWhite),
            Qt::AlignLeft};
}

WrappedText SettingRow::noteBlock() const {
    return {QString::fromStdString(note.value_or("")), Fonts::mono(false, noteSize), drawing::toQColor(Tokens::dim),
            Qt::AlignLeft};
}

SettingRow::Layout SettingRow::layout(double width, const QSizeF& control) const {
    // Text | spacing | gap | spacing | control; the texts take what is left.
    const double textWidth =
        std::max(1.0, width - 2 * horizontalPadding - 2 * spacing - minimumGap - control.width());
    const double nameHeight = nameBlock().height(textWidth);
    const double noteHeight = hasNote() ? noteBlock().height(textWidth) : 0;
    const double textHeight = nameHeight + (hasNote() ? noteSpacing + noteHeight : 0);
    Layout layout;
    layout.height = std::max(minimumHeight, std::max(textHeight, control.height()) + 2 * verticalPadding);
    const double textTop = (layout.height - textHeight) / 2;
    layout.name = {horizontalPadding, textTop, textWidth, nameHeight};
    if (hasNote()) layout.note = {horizontalPadding, layout.name.bottom() + noteSpacing, textWidth, noteHeight};
    layout.control = {width - horizontalPadding - control.width(), (layout.height - control.height()) / 2,
                      control.width(), control.height()};
    return layout;
}

void SettingRow::paint(QPainter& painter, const QRectF& frame, const QSizeF& control) const {
    RecessedField::paint(painter, frame);
    const Layout parts = layout(frame.width(), control);
    nameBlock().paint(painter, parts.name.translated(frame.topLeft()));
    if (hasNote()) noteBlock().paint(painter, parts.note.translated(frame.topLeft()));
}

}  // namespace quorvel
