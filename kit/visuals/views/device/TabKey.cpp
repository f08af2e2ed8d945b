#include "kit/visuals/views/device/TabKey.hpp"

#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {

QRectF TabKey::faceRect(const QRectF& frame) const {
    if (selected) return frame;
    return {frame.left(), frame.top(), frame.width(), std::max(0.0, frame.height() - raisedDepth)};
}

QString TabKey::legend() const { return tab == ListTab::finished ? QStringLiteral("FINISHED") : QStringLiteral("RUNNING"); }

QString TabKey::accessibilityLabel() const { return legend() + QStringLiteral(", ") + QString::number(count); }

void TabKey::paint(QPainter& painter, const QRectF& frame) const {
    const QRectF face = faceRect(frame);
    const BevelSurface surface{Shape::continuousRoundedRectangle(cornerRadius), selected ? Tokens::inkTape : Tokens::panel,
                               Tokens::keyDepth, selected ? Bevel::pressed() : Bevel::raised(raisedDepth),
                               std::nullopt, 2};
    surface.paint(painter, face);

    drawing::TextStyle name{Fonts::mono(true, 12), 1.68, drawing::toQColor(selected ? Tokens::acid : Tokens::keyLegend),
                            Qt::AlignLeft | Qt::AlignVCenter, 1};
    drawing::TextStyle number{Fonts::pixel(20), 0.8, drawing::toQColor(selected ? Tokens::acid : Tokens::dim),
                              Qt::AlignLeft | Qt::AlignVCenter, 1};
    const QString countText = QString::number(count);
    const double nameWidth = drawing::naturalWidth(legend(), name);
    const double numberWidth = drawing::naturalWidth(countText, number);
    // A count too wide for the key takes what room the name leaves; the name is cut last.
    const double available = std::max(0.0, face.width());
    const double total = std::min(available, nameWidth + spacing + numberWidth);
    const double left = face.left() + (face.width() - total) / 2;
    const double shownName = std::min(nameWidth, std::max(0.0, total - spacing - numberWidth));
    const QRectF nameRect(left, face.top(), shownName, face.height());
    const QRectF numberRect(nameRect.right() + spacing, face.top(),
                            std::max(0.0, left + total - nameRect.right() - spacing), face.height());

    drawing::TextStyle shadow = name;
    shadow.color = QColor(0, 0, 0, selected ? 128 : 102);
    drawing::drawTextLine(painter, nameRect.translated(0, 1), legend(), shadow);
    drawing::drawTextLine(painter, nameRect, legend(), name);
    drawing::drawTextLine(painter, numberRect, countText, number);
}

}  // namespace quorvel
