#include "kit/phone/PhoneHeader.hpp"

#include <QPainter>
#include <algorithm>

#include "generated/AppVersion.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/DymoLabel.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "kit/visuals/views/mascot/MascotView.hpp"

namespace quorvel {
namespace {

const QString logoText = QStringLiteral("QUORVEL");

// Straight, unlike the device's label: the phone header is drawn square to the screen.
DymoLabel modelLabel() { return DymoLabel{Quorvel::modelLabel(), DymoLabel::Tape::ink, PhoneHeader::labelSize, 0.0}; }

drawing::TextStyle logoStyle() {
    drawing::TextStyle style;
    style.font = Fonts::pixel(PhoneHeader::logoSize);
    style.color = drawing::toQColor(Tokens::acid);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    return style;
}

MascotView mascot() { return MascotView{PixelArt::Face::happy, PhoneHeader::mascotScale, false, 0, false}; }

}  // namespace

PhoneHeader::Layout PhoneHeader::layout(QPointF topLeft, double width) {
    auto centred = [&](double x, QSizeF size) {
        return QRectF(QPointF(x, topLeft.y() + (height - size.height()) / 2), size);
    };
    Layout result;
    result.mascot = centred(topLeft.x(), mascot().size());

    const QSizeF labelSize = modelLabel().layoutSize();
    const double blockWidth = std::max(drawing::naturalWidth(logoText, logoStyle()), labelSize.width());
    const QRectF block =
        centred(result.mascot.right() + spacing, QSizeF(blockWidth, logoHeight + logoToLabel + labelSize.height()));
    result.logo = QRectF(block.topLeft(), QSizeF(blockWidth, logoHeight));
    result.label = QRectF(QPointF(block.left(), block.top() + logoHeight + logoToLabel), labelSize);

    const double grilleWidth = grilleSlots * slotWidth + (grilleSlots - 1) * slotSpacing;
    result.grille = centred(topLeft.x() + width - grilleWidth, QSizeF(grilleWidth, slotHeight));
    return result;
}

void PhoneHeader::paint(QPainter& painter, const Layout& layout) {
    mascot().paint(painter, layout.mascot.topLeft());
    drawing::drawTextLine(painter, layout.logo, logoText, logoStyle());
    modelLabel().paint(painter, layout.label);

    const BevelSurface slot{Shape::continuousRoundedRectangle(slotRadius), Tokens::slot, Tokens::keyDepth,
                            Bevel::recessed(), std::nullopt, 2};
    for (int index = 0; index < grilleSlots; ++index) {
        slot.paint(painter, QRectF(layout.grille.left() + index * (slotWidth + slotSpacing), layout.grille.top(),
                                   slotWidth, slotHeight));
    }
}

}  // namespace quorvel
