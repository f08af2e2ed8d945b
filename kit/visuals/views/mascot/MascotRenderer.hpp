#pragma once
// The mascot as a bitmap, optionally with a soft acid glow, from a process-wide cache so that
// views asking for the same pose again and again get the same image at once.
//
// Geometry: the body is 16 x 16 cells of `cell` points; the face (10 x 7) lies in the body's
// screen at cell (3, 3), moved sideways by `faceShift` cells and cut to the screen. With glow
// the bitmap has a 12-point margin on every side. The bitmap's side in pixels is
// round(pixelScale x (cell x 16 + 2 x margin)); the image's device pixel ratio is `pixelScale`,
// so drawn at its logical size it covers (cell x 16 + 2 x margin) points.
//
// Nothing is made (and nothing cached) unless `cell` and `pixelScale` are finite and above
// zero and the side is between 1 and 8192 pixels.
//
// Threads: `image` may be called from any thread; the cache is guarded by a mutex and rendering
// happens outside it, so two threads may render one key at the same moment (both results are
// equal; the later one is kept). Entries are never evicted. The glow is made once per cell size
// and pixel scale and shared by every face, colour and shift drawn at that size.
#include <cstddef>
#include <optional>

#include <QImage>
#include <QPointF>

#include "kit/visuals/model/PixelArt.hpp"

class QPainter;

namespace quorvel {

class MascotRenderer {
public:
    MascotRenderer() = delete;

    struct Key {
        PixelArt::Face face = PixelArt::Face::happy;
        /// Red body and white face.
        bool broke = false;
        /// Drawn on the device's own screen: black outline, near-black screen cells.
        bool onScreen = false;
        /// Cells to move the face right (negative: left).
        int faceShift = 0;
        /// Points per cell.
        double cell = 1;
        /// Pixels per point of the target.
        double pixelScale = 1;
        bool glow = false;

        bool operator==(const Key&) const = default;
    };

    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };

    static constexpr int maximumSide = 8192;
    static constexpr double glowMargin = 12;

    /// 12 points with glow, else 0.
    static double margin(bool glow) { return glow ? glowMargin : 0.0; }
    /// The bitmap's side in pixels for `key`, or nothing when no bitmap can be made for it.
    static std::optional<int> side(const Key& key);

    /// The cached bitmap for `key`, rendered on a miss; the same image (sharing its pixels) for
    /// the same key every time. Nothing when the key cannot be drawn.
    static std::optional<QImage> image(const Key& key);
    /// A new bitmap for `key`, without the cache.
    static std::optional<QImage> render(const Key& key);

    /// Number of images in the cache.
    static std::size_t cacheSize();

    /// Draws the cached image for `key` with the body's top-left cell corner at `bodyOrigin`
    /// (the glow margin lies outside it), snapped to device pixels. The key's pixel scale
    /// should be the painter's (see `drawing::devicePixelsPerPoint`). Draws nothing when the key
    /// cannot be drawn.
    static void draw(QPainter& painter, const QPointF& bodyOrigin, const Key& key);
};

}  // namespace quorvel
