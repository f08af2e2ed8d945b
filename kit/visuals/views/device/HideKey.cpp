#include "kit/visuals/views/device/HideKey.hpp"

#include <QPainter>
#include <QPainterPath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {

bool HideKey::contains(QPointF topLeft, QPointF point) const {
    const QPointF centre = capRect(topLeft).center();
    const double dx = point.x() - centre.x();
    const double dy = point.y() - centre.y();
    const double radius = size / 2;
    return dx * dx + dy * dy <= radius * radius;
}

QString HideKey::accessibilityLabel(Glyph glyph) {
    switch (glyph) {
        case Glyph::strip: return QStringLiteral("Compact strip");
        case Glyph::device: return QStringLiteral("Full device");
        case Glyph::cross: break;
    }
    return QStringLiteral("Hide");
}

QString HideKey::help(Glyph glyph, Recall recall) {
    switch (glyph) {
        case Glyph::strip: return QStringLiteral("Swap for the compact strip.");
        case Glyph::device: return QStringLiteral("Swap for the full device.");
        case Glyph::cross: break;
    }
    return recall == Recall::tray
               ? QStringLiteral("Hide this window. Bring it back from the tray.")
               : QStringLiteral("Hide this window. Bring it back from the launcher, or by running quorvel again.");
}

void HideKey::paint(QPainter& painter, QPointF topLeft) const {
    const QRectF cap = capRect(topLeft);
    BevelSurface{Shape::circle(), hovering ? Tokens::panelPressed : Tokens::panel, Tokens::keyDepth,
                 Bevel::raised(capDepth), Tokens::ink, strokeWidth}
        .paint(painter, cap);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QColor colour = drawing::toQColor(hovering ? Tokens::mascotWhite : Tokens::dim);
    const QPointF centre = cap.center();
    const QRectF bar(-barLength() / 2, -barThickness / 2, barLength(), barThickness);
    switch (glyph) {
        case Glyph::cross:
            for (const double angle : {45.0, -45.0}) {
                painter.save();
                painter.translate(centre);
                painter.rotate(angle);
                painter.fillRect(bar, colour);
                painter.restore();
            }
            break;
        case Glyph::strip:
            // Stacked 3 points apart: the gap between the bars, centred on the cap.
            for (const double offset : {-(barThickness + 3) / 2, (barThickness + 3) / 2}) {
                painter.fillRect(bar.translated(centre + QPointF(0, offset)), colour);
            }
            break;
        case Glyph::device: {
            const double diameter = deviceCircleDiameter();
            const QRectF circle(centre.x() - diameter / 2, centre.y() - diameter / 2, diameter, diameter);
            // A 2-point line inside the circle's edge.
            QPainterPath ring;
            ring.addEllipse(drawing::insetForStroke(circle, 2));
            drawing::strokePath(painter, ring, colour, 2);
            break;
        }
    }
    painter.restore();
}

}  // namespace quorvel
