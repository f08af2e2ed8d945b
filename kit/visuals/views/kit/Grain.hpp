#pragma once
// A fine, fixed noise overlay laid over flat surfaces (casings, tape).
//
// The tile is built once per process on first use from a fixed seed, so it is the same on
// every run: 128 x 128 pixels, each opaque white or fully transparent, drawn at device pixel
// ratio 2 (64 x 64 points) and repeated from the overlay's top-left corner. The overlay takes
// no input; callers route pointer events past it.
#include <cstdint>
#include <vector>

#include <QImage>
#include <QRectF>

class QPainter;

namespace quorvel {

struct Grain {
    /// Opacity of the overlay, 0...1 (values outside are clamped; NaN draws nothing).
    double opacity = 0;

    /// Pixels per side of the tile, and the tile's side in points.
    static constexpr int tilePixels = 128;
    static constexpr double tilePoints = 64;
    /// Seed of the tile's xorshift generator.
    static constexpr std::uint64_t seed = 0x9C4A00;

    /// The tile's bytes: 128 x 128 pixels x (red, green, blue, alpha), row-major, 512 bytes per
    /// row; a pixel is 255 in all four when the generator's state after its step is divisible
    /// by 6, else 0 in all four.
    static std::vector<std::uint8_t> tileBytes();
    /// The tile as an image (premultiplied RGBA, device pixel ratio 2); built once, never freed.
    static const QImage& tile();

    /// Tiles `frame` with the noise at `opacity`, from the frame's top-left corner. Nothing is
    /// drawn at opacity 0 or for an empty frame.
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
