#include "kit/phone/SettingsNote.hpp"

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {

WrappedText SettingsNote::block() const {
    return {QString::fromStdString(text), Fonts::mono(false, textSize), drawing::toQColor(Tokens::dim), Qt::AlignLeft};
}

double SettingsNote::height(double width) const { return block().height(width - 2 * horizontalPadding); }

void SettingsNote::paint(QPainter& painter, const QRectF& frame) const {
    block().paint(painter, frame.adjusted(horizontalPadding, 0, -horizontalPadding, 0));
}

}  // namespace quorvel
