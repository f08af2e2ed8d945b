#pragma once
// The top row of the device face: a small still mascot, the "QUORVEL" logo over its model
// label, a decorative grille, and the round window keys (compact strip, when offered, then
// hide). Laid out in a row of the width it is given; the keys stand at the trailing edge.
#include <optional>
#include <vector>

#include <QPointF>
#include <QRectF>

#include "kit/visuals/views/device/HideKey.hpp"
#include "kit/visuals/views/kit/AccessibleControl.hpp"

class QPainter;

namespace quorvel {

struct Header {
    enum class Key { compact, hide };

    /// Whether the compact-strip key is offered (the owner has an action for it).
    bool hasCompactKey = false;
    /// The key under the pointer, drawn lightened.
    std::optional<Key> hovered;

    static constexpr double spacing = 14;
    static constexpr double mascotScale = 4;
    static constexpr double logoSize = 64;
    static constexpr double logoHeight = 52;
    static constexpr double logoToLabel = 4;
    static constexpr double labelSize = 12;
    static constexpr int grilleSlots = 6;
    static constexpr double slotWidth = 6;
    static constexpr double slotHeight = 52;
    static constexpr double slotSpacing = 6;
    static constexpr double keySize = 28;

    struct Layout {
        QRectF mascot;
        QRectF logo;
        QRectF label;
        QRectF grille;
        std::optional<QRectF> compactKey;  ///< the key's layout box (cap + room below)
        QRectF hideKey;
    };

    /// The row's height: its tallest item (the logo block).
    static double height();
    /// Where everything stands in a row of `width` at `topLeft`.
    Layout layout(QPointF topLeft, double width) const;

    /// The key whose cap contains `point`.
    std::optional<Key> keyAt(const Layout& layout, QPointF point) const;

    /// The window keys of `layout` as assistive tools see them, named as their glyphs say.
    std::vector<AccessibleTarget<Key>> accessibleKeys(const Layout& layout) const;

    static HideKey::Glyph glyph(Key key) { return key == Key::compact ? HideKey::Glyph::strip : HideKey::Glyph::cross; }

    void paint(QPainter& painter, const Layout& layout) const;
};

}  // namespace quorvel
