#pragma once
// The two lines of a running or finished row inside its frame: a chip, the row's title cut at
// the tail, a big state or duration label at the right edge, and a dim detail line below.
//
// First line: chip, 10, title (takes what is left), 10, at least 8 of space, 10, trailing label
// at its natural width (pixel face 22, tracking 0.88, framed 20 high). Second line: Space Mono
// 11, dim. Both lines are vertically centred as a block in the row's content. Texts from
// outside (projects, titles, commands) are plain text shown on one line. Main thread only.
#include <QPointF>
#include <QRectF>
#include <QString>

#include "kit/visuals/model/Color.hpp"
#include "kit/visuals/views/lists/Chip.hpp"

class QPainter;

namespace quorvel {

struct RowLines {
    Chip chip;
    QString title;
    QString trailing;
    Color trailingColor;
    QString detail;

    static constexpr double itemSpacing = 10;
    static constexpr double minimumGap = 8;
    static constexpr double trailingHeight = 20;

    struct Layout {
        QPointF chip;
        QRectF title;
        QRectF trailing;
        QRectF detail;
    };

    /// Where each piece goes in a row at `frame` (the whole 54-point row).
    Layout layout(const QRectF& frame) const;

    /// The title and detail as they are drawn (one line, cut with "…" when too long).
    QString shownTitle(const QRectF& frame) const;
    QString shownDetail(const QRectF& frame) const;

    /// The row read as one element: chip, title, trailing label and detail, the empty ones
    /// left out, joined with ", ".
    QString accessibilityLabel() const;
    /// The row as a list reads it out: title, trailing label and detail, joined with ", " (the
    /// chip's kind is in the trailing label already).
    QString listLabel() const;

    /// Paints the row: its frame with `outline`, then the lines.
    void paint(QPainter& painter, const QRectF& frame, const Color& outline) const;
};

}  // namespace quorvel
