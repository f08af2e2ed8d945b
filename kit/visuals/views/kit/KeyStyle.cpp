#include "kit/visuals/views/kit/KeyStyle.hpp"

#include <algorithm>

#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {

namespace {

struct Colours {
    Color fill;
    Color depth;
    Color text;
};

Colours colours(KeyStyle::Look look) {
    switch (look) {
    case KeyStyle::Look::panel:
        return {Tokens::panel, Tokens::keyDepth, Tokens::mascotWhite};
    case KeyStyle::Look::acid:
        return {Tokens::acid, Tokens::acidDeep, Tokens::ink};
    case KeyStyle::Look::broke:
        return {Tokens::broke, Tokens::brokeDeep, Tokens::ink};
    }
    return {Tokens::panel, Tokens::keyDepth, Tokens::mascotWhite};
}

}  // namespace

KeyStyle::KeyStyle(Color fill, Color depth, Color text, Size size) : fill(fill), depth(depth), text(text), size(size) {}

KeyStyle::KeyStyle(Look look, Size size) : size(size) {
    const Colours set = colours(look);
    fill = set.fill;
    depth = set.depth;
    text = set.text;
}

KeyStyle::Dimensions KeyStyle::dimensions(Size size) {
    switch (size) {
    case Size::mac:
        return {24, 8, 7, 6};
    case Size::compact:
        return {24, 3, 6, 5};
    case Size::phone:
        return {26, 9, 7, 6};
    case Size::tall:
        return {26, 11, 7, 6};
    }
    return {};
}

QFont KeyStyle::legendFont() const { return drawing::trackedFont(Fonts::pixel(dimensions().legendSize), tracking); }

double KeyStyle::faceHeight() const {
    return std::max(minimumLegendHeight, drawing::lineHeight(legendFont())) + 2 * dimensions().verticalPadding;
}

double KeyStyle::height(bool pressed) const { return faceHeight() + (pressed ? 1.0 : dimensions().depth); }

QRectF KeyStyle::faceRect(const QRectF& frame, bool pressed) const {
    const double sink = pressed ? dimensions().depth - 1 : 0.0;
    return {frame.left(), frame.top() + sink, frame.width(), faceHeight()};
}

void KeyStyle::paint(QPainter& painter, const QRectF& frame, const QString& label, bool pressed) const {
    const Dimensions sizes = dimensions();
    const QRectF face = faceRect(frame, pressed);
    BevelSurface{Shape::continuousRoundedRectangle(sizes.cornerRadius), fill, depth, Bevel::raised(pressed ? 1.0 : sizes.depth),
                 Tokens::ink, strokeWidth}
        .paint(painter, face);
    const drawing::TextStyle legend{Fonts::pixel(sizes.legendSize), tracking, drawing::toQColor(text), Qt::AlignCenter,
                                    minimumScale};
    drawing::drawTextLine(painter,
                          face.adjusted(horizontalPadding, sizes.verticalPadding, -horizontalPadding, -sizes.verticalPadding),
                          label, legend);
}

}  // namespace quorvel
