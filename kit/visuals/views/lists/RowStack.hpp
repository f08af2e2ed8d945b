#pragma once
// Rows stacked down a list, and which of them a painter can show: long lists (the finished
// history) paint only the rows inside the painter's clip.
#include <cstddef>
#include <vector>

#include <QRectF>

class QPainter;

namespace quorvel {

/// Frames of `count` rows stacked `spacing` apart from `top` in a list `width` wide.
std::vector<QRectF> stackedRowFrames(std::size_t count, double width, double spacing, double top = 0);

/// False only when the painter clips and `rect` lies wholly outside the clip.
bool isInsideClip(const QPainter& painter, const QRectF& rect);

}  // namespace quorvel
