#include "kit/visuals/views/device/Pad.hpp"

#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/LED.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {

namespace {

double legendHeight() { return drawing::lineHeight(drawing::trackedFont(Fonts::mono(true, Pad::legendSize), Pad::tracking)); }

}  // namespace

double Pad::height() { return 2 * verticalPadding + ledSize + spacing + legendHeight() + bottomPadding; }

QRectF Pad::faceRect(const QRectF& frame) { return {frame.left(), frame.top(), frame.width(), height() - bottomPadding}; }

void Pad::toggle() const {
    if (setOn) setOn(!on);
}

void Pad::paint(QPainter& painter, const QRectF& frame) const {
    const QRectF face = faceRect(frame);
    BevelSurface{Shape::continuousRoundedRectangle(cornerRadius), on ? Tokens::panelPressed : Tokens::panel, Tokens::keyDepth,
                 on ? Bevel::pressed() : Bevel::raised(raisedDepth), Tokens::ink, strokeWidth}
        .paint(painter, face);
    const QRectF content = face.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    LED{on, Tokens::acid, ledSize}.paint(painter, QRectF(content.center().x() - ledSize / 2, content.top(), ledSize, ledSize));
    const drawing::TextStyle legend{Fonts::mono(true, legendSize), tracking,
                                    drawing::toQColor(on ? Tokens::mascotWhite : Tokens::dim), Qt::AlignCenter, minimumScale};
    drawing::drawTextLine(painter, QRectF(content.left(), content.top() + ledSize + spacing, content.width(), legendHeight()),
                          label, legend);
}

}  // namespace quorvel
