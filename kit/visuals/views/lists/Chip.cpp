#include "kit/visuals/views/lists/Chip.hpp"

#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

drawing::TextStyle chipStyle() {
    return {Fonts::mono(true, 11), 0, drawing::toQColor(Tokens::ink), Qt::AlignCenter, 1};
}

}  // namespace

QSizeF Chip::size() const {
    const QSizeF text = drawing::naturalSize(this->text, chipStyle());
    return {text.width() + 2 * horizontalPadding, text.height() + bottomPadding};
}

QRectF Chip::faceRect(QPointF topLeft) const {
    const QSizeF laidOut = size();
    return {topLeft, QSizeF(laidOut.width(), laidOut.height() - bottomPadding)};
}

void Chip::paint(QPainter& painter, QPointF topLeft) const {
    const QRectF face = faceRect(topLeft);
    BevelSurface{Shape::continuousRoundedRectangle(3), ok ? Tokens::acid : Tokens::broke,
                 ok ? Tokens::acidDeep : Tokens::brokeDeep, Bevel::raised(depth), Tokens::ink, 1.5}
        .paint(painter, face);
    drawing::drawTextLine(painter, face, text, chipStyle());
}

}  // namespace quorvel
