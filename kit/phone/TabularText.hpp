#pragma once
// One line in which every digit takes the same width (the widest digit of the font), so a
// value that counts up or down never shifts its neighbours. The font's own digits are drawn,
// each centred in its cell; other characters keep their own advance.
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace quorvel {

struct TabularText {
    QString text;
    QFont font;
    QColor color;

    /// The widest advance among "0" to "9" in `font`.
    static double digitCellWidth(const QFont& font);
    /// The line's width with digit cells.
    double width() const;
    /// Paints the line centred in `frame` (its baseline centred as one line of the font).
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
