#pragma once
// The mounting ear at each end of the compact strip: a raised plate 34 x 118 with a key or a
// recessed slot at its top and at its bottom. The right ear carries the hide key over the
// expand key (or a slot when the owner offers no expand); the left ear carries two slots.
#include <optional>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "kit/visuals/views/device/HideKey.hpp"

class QPainter;

namespace quorvel {

struct RackEar {
    enum class Key { hide, expand };

    bool hasHide = false;
    bool hasExpand = false;
    std::optional<Key> hovered;

    static constexpr double width = 34;
    static constexpr double height = 118;
    static constexpr double keySize = 20;
    static constexpr double slotWidth = 14;
    static constexpr double slotHeight = 8;

    struct Layout {
        QRectF plate;
        /// Each end holds a key's layout box when it has a key, else a slot.
        QRectF top;
        QRectF bottom;
    };

    static QSizeF size() { return {width, height}; }
    /// Padding above and below the items: 10 with a hide key, else 16.
    double verticalPadding() const { return hasHide ? 10 : 16; }
    Layout layout(QPointF topLeft) const;

    std::optional<Key> keyAt(const Layout& layout, QPointF point) const;
    /// Accessibility sees only an ear that has a hide key.
    bool isAccessible() const { return hasHide; }

    void paint(QPainter& painter, const Layout& layout) const;
};

}  // namespace quorvel
