#pragma once
// What an empty phone page shows: the mascot (scale 6, 96 points) with a face, and under it a
// short text (Space Mono 12, dim, centred, wrapping within 280 points), 36 points below the top.
#include <string>

#include <QRectF>

#include "kit/visuals/model/PixelArt.hpp"

class QPainter;

namespace quorvel {

struct EmptyState {
    PixelArt::Face face = PixelArt::Face::happy;
    std::string text;

    static constexpr double mascotScale = 6;
    static constexpr double spacing = 16;
    static constexpr double textSize = 12;
    static constexpr double maximumTextWidth = 280;
    static constexpr double topPadding = 36;

    struct Layout {
        QRectF mascot;
        QRectF text;
    };
    /// Mascot and text centred across `width`, from the top.
    Layout layout(double width) const;
    double height(double width) const;

    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
