#include "kit/phone/ToggleKey.hpp"

#include "kit/phone/FocusRing.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/LED.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {

QRectF ToggleKey::faceRect(const QRectF& frame) {
    const double top = frame.center().y() - (faceHeight + depth) / 2;
    return {frame.center().x() - faceWidth / 2, top, faceWidth, faceHeight};
}

void ToggleKey::paint(QPainter& painter, const QRectF& frame, bool focused) const {
    const QRectF face = faceRect(frame);
    BevelSurface{Shape::continuousRoundedRectangle(cornerRadius), on ? Tokens::panelPressed : Tokens::panel, Tokens::keyDepth,
                 on ? Bevel::pressed() : Bevel::raised(depth), Tokens::ink, strokeWidth}
        .paint(painter, face);

    drawing::TextStyle style;
    style.font = Fonts::mono(true, legendSize);
    style.tracking = legendTracking;
    style.color = drawing::toQColor(on ? Tokens::mascotWhite : Tokens::dim);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    const QString text = QString::fromStdString(legend());
    const double legendWidth = drawing::naturalWidth(text, style);
    // Lamp and legend as one group, centred on the face.
    const double left = face.center().x() - (lampSize + lampSpacing + legendWidth) / 2;
    LED{on, Tokens::acid, lampSize}.paint(painter, QRectF(left, face.center().y() - lampSize / 2, lampSize, lampSize));
    drawing::drawTextLine(painter, QRectF(left + lampSize + lampSpacing, face.top(), legendWidth + 1, face.height()),
                          text, style);
    if (focused) FocusRing::paint(painter, face, cornerRadius);
}

}  // namespace quorvel
