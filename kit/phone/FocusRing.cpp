#include "kit/phone/FocusRing.hpp"

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shape.hpp"

namespace quorvel {

void FocusRing::paint(QPainter& painter, const QRectF& face, double cornerRadius) {
    const double grow = gap + width / 2;
    drawing::strokePath(painter, Shape::continuousRoundedRectangle(cornerRadius + grow).in(face.adjusted(-grow, -grow, grow, grow)),
                        drawing::toQColor(Tokens::acid), width);
}

}  // namespace quorvel
