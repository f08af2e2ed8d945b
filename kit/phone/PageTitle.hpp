#pragma once
// The big title of a phone page: the title in the pixel face (44, acid), an optional count
// beside it on the same baseline (28, dim), and an optional one-line subtitle under it
// (Space Mono 11, dim). The title row is 36 points tall; its taller glyphs overflow it and
// are not clipped. An absent subtitle leaves no gap.
#include <optional>
#include <string>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace quorvel {

struct PageTitle {
    std::string title;
    std::optional<long long> count;
    std::optional<std::string> subtitle;

    static constexpr double titleSize = 44;
    static constexpr double countSize = 28;
    static constexpr double subtitleSize = 11;
    static constexpr double rowHeight = 36;
    static constexpr double countSpacing = 10;
    static constexpr double subtitleSpacing = 2;

    /// The count as shown: the plain decimal number; empty without a count.
    std::string countText() const;
    /// The title row's natural width (title, spacing and count).
    double rowWidth() const;
    /// The whole block: the wider of row and subtitle, 36 points plus the subtitle line.
    QSizeF size() const;
    /// The subtitle's line below the title row, relative to the block's top-left; empty
    /// without a subtitle.
    QRectF subtitleRect() const;

    /// Paints the block with its top-left at `topLeft`; the subtitle is cut at the end when it
    /// is wider than `width` (unbounded when not finite).
    void paint(QPainter& painter, const QPointF& topLeft, double width) const;

    /// Title, count and subtitle read as one: "SETTINGS, 3, two phones".
    std::string accessibilityLabel() const;
};

}  // namespace quorvel
