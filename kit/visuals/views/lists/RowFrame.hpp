#pragma once
// The frame every list row sits in: a recessed well 54 points tall with a thin outline whose
// colour marks the row, and the two rows that carry no entry: the blank filler row and the
// row that says a list is empty. Main thread only.
#include <functional>

#include <QRectF>
#include <QString>

#include "kit/visuals/model/Color.hpp"

class QPainter;

namespace quorvel {

struct RowFrame {
    Color outline;

    /// Every row is this tall.
    static constexpr double height = 54;
    static constexpr double horizontalPadding = 12;
    static constexpr double verticalPadding = 8;
    static constexpr double cornerRadius = 6;
    static constexpr double outlineWidth = 1.5;
    /// Space between the lines of a row's content.
    static constexpr double lineSpacing = 2;

    /// Where a row's content goes in a row at `frame`.
    static QRectF contentRect(const QRectF& frame);

    /// Paints the well and its outline in `frame`, and `content` into the content rectangle
    /// in between (nothing when it is empty).
    void paint(QPainter& painter, const QRectF& frame,
               const std::function<void(QPainter&, const QRectF&)>& content = {}) const;
};

/// The filler row under a short list; it carries nothing and is hidden from accessibility.
struct BlankRow {
    void paint(QPainter& painter, const QRectF& frame) const;
};

/// The one row of an empty list, saying so in dim text.
struct EmptyRow {
    QString text;
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
