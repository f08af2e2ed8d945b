#include "kit/visuals/views/mascot/AppIconView.hpp"

#include <QPainter>
#include <QPainterPath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Grain.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shape.hpp"
#include "kit/visuals/views/mascot/MascotView.hpp"

namespace quorvel {

QRectF AppIconView::plate() const {
    const double side = mac ? 824 : canvas;
    const double margin = (canvas - side) / 2;
    return {margin, margin, side, side};
}

void AppIconView::paint(QPainter& painter) const {
    const QRectF area = plate();
    const QPainterPath outline = Shape::continuousRoundedRectangle(cornerRadius()).in(area);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(outline, drawing::toQColor(Tokens::chassis));
    painter.save();
    painter.setClipPath(outline, Qt::IntersectClip);
    Grain{0.12}.paint(painter, area);
    painter.restore();
    if (borderWidth() > 0) {
        const QPainterPath border = Shape::continuousRoundedRectangle(cornerRadius() - borderWidth() / 2)
                                        .in(drawing::insetForStroke(area, borderWidth()));
        drawing::strokePath(painter, border, drawing::toQColor(Tokens::ink), borderWidth());
    }
    painter.restore();

    const MascotView mascot{PixelArt::Face::happy, mascotScale(), false, 0, false};
    const QSizeF side = mascot.size();
    mascot.paint(painter, QPointF(area.center().x() - side.width() / 2,
                                  area.center().y() - side.height() / 2 - mascotLift()));
}

}  // namespace quorvel
