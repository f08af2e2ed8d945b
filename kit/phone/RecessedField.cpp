#include "kit/phone/RecessedField.hpp"

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {

void RecessedField::paint(QPainter& painter, const QRectF& frame) {
    BevelSurface{Shape::continuousRoundedRectangle(cornerRadius), Tokens::inset, Tokens::keyDepth, Bevel::recessed(),
                 std::nullopt, 2}
        .paint(painter, frame);
    const QRectF border = drawing::insetForStroke(frame, borderWidth);
    // The border follows the same corner, shrunk with the inset.
    const double radius = cornerRadius - borderWidth / 2;
    drawing::strokePath(painter, Shape::continuousRoundedRectangle(radius).in(border), drawing::toQColor(Tokens::ink),
                        borderWidth);
}

}  // namespace quorvel
