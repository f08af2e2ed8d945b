#include "kit/visuals/views/lists/SeeAllLink.hpp"

#include <algorithm>

#include <QPainter>

#include "kit/visuals/model/PixelArt.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/PixelMapView.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

drawing::TextStyle linkStyle() {
    return {Fonts::mono(true, 11), 1.32, drawing::toQColor(Tokens::acid), Qt::AlignLeft | Qt::AlignVCenter, 1};
}

const PixelMapView& chevron() {
    static const PixelMapView view(PixelArt::chevron(), PixelArt::Palette{{'X', Tokens::acid}}, 2);
    return view;
}

}  // namespace

QRectF SeeAllLink::chevronRect(const QRectF& frame) const {
    const QSizeF glyph = chevron().size();
    const double textWidth = std::min(drawing::naturalWidth(text, linkStyle()),
                                      std::max(0.0, frame.width() - glyph.width() - spacing));
    const double left = frame.left() + (frame.width() - textWidth - spacing - glyph.width()) / 2;
    return {left + textWidth + spacing, frame.center().y() - glyph.height() / 2, glyph.width(),
            glyph.height()};
}

void SeeAllLink::paint(QPainter& painter, const QRectF& frame) const {
    const QRectF glyph = chevronRect(frame);
    // Text and chevron are centred as one: the margin right of the chevron is the text's left.
    const double textLeft = frame.left() + (frame.right() - glyph.right());
    const QRectF textRect(textLeft, frame.top(), std::max(0.0, glyph.left() - spacing - textLeft), frame.height());
    drawing::drawTextLine(painter, textRect, text, linkStyle());
    chevron().paint(painter, glyph.topLeft());
}

}  // namespace quorvel
