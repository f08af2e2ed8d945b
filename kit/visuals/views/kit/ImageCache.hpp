#pragma once
// Pictures drawn once and reused: a cache of images by a 64-bit key within a byte budget, and
// the key built from the values that decide the picture.
//
// Thread-safe: every call takes the cache's mutex (a render thread may share it with the main
// thread). Past the budget the oldest entries go first; an image larger than a quarter of the
// budget is not kept at all (it is cheaper to draw again than to crowd out everything else).
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>

namespace quorvel::drawing {

/// 64-bit FNV-1a over the values added, in order.
class CacheKey {
public:
    CacheKey& add(std::uint64_t value);
    /// Quantised to 1/4096, so values that differ only by rounding noise share a key.
    CacheKey& add(double value);
    CacheKey& add(bool value) { return add(std::uint64_t{value ? 1u : 0u}); }
    CacheKey& add(const QColor& color);
    CacheKey& add(std::string_view bytes);
    /// The path's fill rule and elements, relative to `origin`.
    CacheKey& add(const QPainterPath& path, const QPointF& origin);

    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 14695981039346656037ULL;
};

class ImageCache {
public:
    explicit ImageCache(std::size_t byteBudget) : budget_(byteBudget) {}
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    std::optional<QImage> find(std::uint64_t key);
    void store(std::uint64_t key, const QImage& image);
    std::size_t size();

private:
    std::size_t budget_;
    std::mutex mutex_;
    std::unordered_map<std::uint64_t, QImage> images_;
    std::deque<std::uint64_t> order_;
    std::size_t bytes_ = 0;
};

}  // namespace quorvel::drawing
