#pragma once
// The top strip of the phone face: a small still mascot, the "QUORVEL" logo over a straight
// model label, and a grille of six recessed slots at the trailing edge. It takes no input.
//
// A row 58 points tall across the width it is given; everything is centred on the row's
// middle. The logo's taller glyphs overflow its 36-point frame and are not clipped.
#include <QPointF>
#include <QRectF>

class QPainter;

namespace quorvel {

struct PhoneHeader {
    static constexpr double height = 58;
    static constexpr double spacing = 12;
    static constexpr double mascotScale = 3;
    static constexpr double logoSize = 44;
    static constexpr double logoHeight = 36;
    static constexpr double logoToLabel = 1;
    static constexpr double labelSize = 10;
    static constexpr int grilleSlots = 6;
    static constexpr double slotWidth = 5;
    static constexpr double slotHeight = 40;
    static constexpr double slotSpacing = 5;
    static constexpr double slotRadius = 2.5;

    struct Layout {
        QRectF mascot;
        QRectF logo;
        QRectF label;
        QRectF grille;
    };

    /// Where everything stands in a row `width` points wide at `topLeft`.
    static Layout layout(QPointF topLeft, double width);

    static void paint(QPainter& painter, const Layout& layout);
    static void paint(QPainter& painter, QPointF topLeft, double width) { paint(painter, layout(topLeft, width)); }
};

}  // namespace quorvel
