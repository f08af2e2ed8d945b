#include "kit/phone/SmallKeyStyle.hpp"

#include <algorithm>

#include "kit/phone/FocusRing.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {

SmallKeyStyle::Colors SmallKeyStyle::colors(Style style) {
    if (style == Style::acid) return {Tokens::acid, Tokens::acidDeep, Tokens::ink};
    return {Tokens::panel, Tokens::keyDepth, Tokens::mascotWhite};
}

drawing::TextStyle SmallKeyStyle::legendStyle(Style style) {
    drawing::TextStyle text;
    text.font = Fonts::mono(true, legendSize);
    text.tracking = legendTracking;
    text.color = drawing::toQColor(colors(style).legend);
    text.alignment = Qt::AlignCenter;
    return text;
}

QSizeF SmallKeyStyle::size(const QString& label) {
    const double legend = drawing::naturalWidth(drawing::singleLine(label), legendStyle(Style::panel));
    return {legend + 2 * horizontalPadding, minimumHeight};
}

double SmallKeyStyle::depth(bool pressed) { return pressed ? restDepth - pressTravel : restDepth; }

QRectF SmallKeyStyle::faceRect(const QRectF& frame, bool pressed) {
    // Face and rest depth together (30 points) are centred in the frame.
    const double top = frame.center().y() - (faceHeight + restDepth) / 2 + (pressed ? pressTravel : 0);
    return {frame.left(), top, frame.width(), faceHeight};
}

void SmallKeyStyle::paint(QPainter& painter, const QRectF& frame, const QString& label, bool pressed,
                          bool focused) const {
    const Colors palette = colors(style);
    const QRectF face = faceRect(frame, pressed);
    BevelSurface{Shape::continuousRoundedRectangle(cornerRadius), palette.face, palette.depth, Bevel::raised(depth(pressed)),
                 Tokens::ink, strokeWidth}
        .paint(painter, face);
    const QRectF legend = face.adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    drawing::drawTextLine(painter, legend, label, legendStyle(style));
    if (focused) FocusRing::paint(painter, face, cornerRadius);
}

}  // namespace quorvel
