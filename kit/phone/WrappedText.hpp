#pragma once
// A block of plain text that wraps onto as many lines as it needs: at spaces where it can,
// inside a word where a word is wider than the line (long addresses, tokens). Never markup;
// line breaks in the text start new lines, tabs show as spaces.
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace quorvel {

struct WrappedText {
    QString text;
    QFont font;
    QColor color;
    /// Horizontal placement of each line (left, centre or right).
    Qt::Alignment alignment = Qt::AlignLeft;

    /// Points needed at `width` (at least one line, also for an empty text).
    double height(double width) const;
    /// Number of lines at `width`.
    int lineCount(double width) const;
    /// The widest line when nothing wraps, in points.
    double idealWidth() const;

    /// Paints the lines from the top of `frame`, wrapped at its width.
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
