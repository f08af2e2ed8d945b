#include "kit/visuals/views/strip/RackEar.hpp"

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"

namespace quorvel {
namespace {

HideKey key(RackEar::Key which, const std::optional<RackEar::Key>& hovered) {
    return HideKey{RackEar::keySize, which == RackEar::Key::hide ? HideKey::Glyph::cross : HideKey::Glyph::device,
                   hovered == which};
}

void paintSlot(QPainter& painter, const QRectF& frame) {
    BevelSurface{Shape::roundedRectangle(4), Tokens::mouth, Tokens::keyDepth, Bevel::recessed(), std::nullopt, 2}
        .paint(painter, frame);
}

}  // namespace

RackEar::Layout RackEar::layout(QPointF topLeft) const {
    Layout result;
    result.plate = QRectF(topLeft, size());
    const double centreX = result.plate.center().x();
    auto item = [&](bool isKey, double y, bool fromBottom) {
        const QSizeF box = isKey ? key(Key::hide, std::nullopt).layoutSize() : QSizeF(slotWidth, slotHeight);
        const double top = fromBottom ? y - box.height() : y;
        return QRectF(QPointF(centreX - box.width() / 2, top), box);
    };
    result.top = item(hasHide, result.plate.top() + verticalPadding(), false);
    result.bottom = item(hasExpand, result.plate.bottom() - verticalPadding(), true);
    return result;
}

std::optional<RackEar::Key> RackEar::keyAt(const Layout& layout, QPointF point) const {
    if (hasHide && key(Key::hide, std::nullopt).contains(layout.top.topLeft(), point)) return Key::hide;
    if (hasExpand && key(Key::expand, std::nullopt).contains(layout.bottom.topLeft(), point)) return Key::expand;
    return std::nullopt;
}

void RackEar::paint(QPainter& painter, const Layout& layout) const {
    BevelSurface{Shape::roundedRectangle(4), Tokens::panel, Tokens::keyDepth, Bevel::raised(2), Tokens::ink, 2}
        .paint(painter, layout.plate);
    if (hasHide) {
        key(Key::hide, hovered).paint(painter, layout.top.topLeft());
    } else {
        paintSlot(painter, layout.top);
    }
    if (hasExpand) {
        key(Key::expand, hovered).paint(painter, layout.bottom.topLeft());
    } else {
        paintSlot(painter, layout.bottom);
    }
}

}  // namespace quorvel
