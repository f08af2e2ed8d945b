#include "kit/visuals/views/device/Header.hpp"

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

DymoLabel modelLabel() { return DymoLabel{Quorvel::modelLabel(), DymoLabel::Tape::ink, Header::labelSize, std::nullopt}; }

drawing::TextStyle logoStyle() {
    drawing::TextStyle style;
    style.font = Fonts::pixel(Header::logoSize);
    style.color = drawing::toQColor(Tokens::acid);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    return style;
}

MascotView mascot() { return MascotView{PixelArt::Face::happy, Header::mascotScale, false, 0, false}; }

HideKey key(Header::Key which, const std::optional<Header::Key>& hovered) {
    return HideKey{Header::keySize, Header::glyph(which), hovered == which};
}

}  // namespace

double Header::height() {
    const double logoBlock = logoHeight + logoToLabel + modelLabel().layoutSize().height();
    return std::max({logoBlock, mascot().size().height(), slotHeight, keySize + HideKey::bottomPadding});
}

Header::Layout Header::layout(QPointF topLeft, double width) const {
    const double rowHeight = height();
    auto centred = [&](double x, QSizeF size) {
        return QRectF(QPointF(x, topLeft.y() + (rowHeight - size.height()) / 2), size);
    };
    Layout result;
    result.mascot = centred(topLeft.x(), mascot().size());

    const QSizeF labelSize = modelLabel().layoutSize();
    const double logoWidth = drawing::naturalWidth(logoText, logoStyle());
    const double blockWidth = std::max(logoWidth, labelSize.width());
    const double blockHeight = logoHeight + logoToLabel + labelSize.height();
    const QRectF block = centred(result.mascot.right() + spacing, QSizeF(blockWidth, blockHeight));
    result.logo = QRectF(block.topLeft(), QSizeF(blockWidth, logoHeight));
    result.label = QRectF(QPointF(block.left(), block.top() + logoHeight + logoToLabel), labelSize);

    // From the trailing edge back: hide key, compact key, grille.
    const QSizeF keyBox(keySize, keySize + HideKey::bottomPadding);
    double x = topLeft.x() + width - keyBox.width();
    result.hideKey = centred(x, keyBox);
    if (hasCompactKey) {
        x -= spacing + keyBox.width();
        result.compactKey = centred(x, keyBox);
    }
    const double grilleWidth = grilleSlots * slotWidth + (grilleSlots - 1) * slotSpacing;
    x -= spacing + grilleWidth;
    result.grille = centred(x, QSizeF(grilleWidth, slotHeight));
    return result;
}

std::optional<Header::Key> Header::keyAt(const Layout& layout, QPointF point) const {
    if (key(Key::hide, std::nullopt).contains(layout.hideKey.topLeft(), point)) return Key::hide;
    if (layout.compactKey && key(Key::compact, std::nullopt).contains(layout.compactKey->topLeft(), point)) {
        return Key::compact;
    }
    return std::nullopt;
}

std::vector<AccessibleTarget<Header::Key>> Header::accessibleKeys(const Layout& layout) const {
    std::vector<AccessibleTarget<Key>> keys;
    const auto add = [&](Key which, const QRectF& box) {
        keys.push_back({{HideKey::accessibilityLabel(glyph(which)), QAccessible::Button, {}, box}, which});
    };
    if (layout.compactKey) add(Key::compact, *layout.compactKey);
    add(Key::hide, layout.hideKey);
    return keys;
}

void Header::paint(QPainter& painter, const Layout& layout) const {
    mascot().paint(painter, layout.mascot.topLeft());
    drawing::drawTextLine(painter, layout.logo, logoText, logoStyle());
    modelLabel().paint(painter, layout.label);

    const BevelSurface slot{Shape::continuousRoundedRectangle(3), Tokens::slot, Tokens::keyDepth, Bevel::recessed(),
                            std::nullopt, 2};
    for (int index = 0; index < grilleSlots; ++index) {
        slot.paint(painter, QRectF(layout.grille.left() + index * (slotWidth + slotSpacing), layout.grille.top(),
                                   slotWidth, slotHeight));
    }
    if (layout.compactKey) key(Key::compact, hovered).paint(painter, layout.compactKey->topLeft());
    key(Key::hide, hovered).paint(painter, layout.hideKey.topLeft());
}

}  // namespace quorvel
