#include "kit/phone/EmptyState.hpp"

#include <algorithm>

#include "kit/phone/WrappedText.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/mascot/MascotView.hpp"

namespace quorvel {
namespace {

WrappedText block(const std::string& text) {
    return {QString::fromStdString(text), Fonts::mono(false, EmptyState::textSize), drawing::toQColor(Tokens::dim),
            Qt::AlignHCenter};
}

MascotView mascot(PixelArt::Face face) { return MascotView{face, EmptyState::mascotScale, false, 0, false}; }

}  // namespace

EmptyState::Layout EmptyState::layout(double width) const {
    const QSizeF mascotSize = mascot(face).size();
    const WrappedText words = block(text);
    const double textWidth = std::min({maximumTextWidth, std::max(0.0, width), std::max(1.0, words.idealWidth())});
    Layout layout;
    layout.mascot = {(width - mascotSize.width()) / 2, topPadding, mascotSize.width(), mascotSize.height()};
    layout.text = {(width - textWidth) / 2, layout.mascot.bottom() + spacing, textWidth, words.height(textWidth)};
    return layout;
}

double EmptyState::height(double width) const { return layout(width).text.bottom(); }

void EmptyState::paint(QPainter& painter, const QRectF& frame) const {
    const Layout parts = layout(frame.width());
    mascot(face).paint(painter, parts.mascot.topLeft() + frame.topLeft());
    block(text).paint(painter, parts.text.translated(frame.topLeft()));
}

}  // namespace quorvel
