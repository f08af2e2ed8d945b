#pragma once
// One picture of the render mode: its size in points and how to paint it (background
// included) with a painter whose origin is the picture's top-left.
#include <functional>

#include <QSizeF>

class QPainter;

namespace quorvel {

struct RenderScene {
    QSizeF size;
    std::function<void(QPainter&)> paint;
    /// The paint covers every pixel with opaque colour: the picture needs no alpha channel
    /// (a smaller, quicker PNG).
    bool opaque = true;
};

}  // namespace quorvel
