#include "kit/visuals/views/kit/ImageCache.hpp"

#include <bit>
#include <cmath>

namespace quorvel::drawing {

CacheKey& CacheKey::add(std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        hash_ ^= (value >> (8 * i)) & 0xFF;
        hash_ *= 1099511628211ULL;
    }
    return *this;
}

CacheKey& CacheKey::add(double value) {
    const double quantised = std::isfinite(value) ? std::round(value * 4096.0) / 4096.0 : value;
    return add(std::bit_cast<std::uint64_t>(quantised == 0 ? 0.0 : quantised));
}

CacheKey& CacheKey::add(const QColor& color) { return add(static_cast<std::uint64_t>(color.rgba64())); }

CacheKey& CacheKey::add(std::string_view bytes) {
    add(static_cast<std::uint64_t>(bytes.size()));
    for (const char byte : bytes) {
        hash_ ^= static_cast<unsigned char>(byte);
        hash_ *= 1099511628211ULL;
    }
    return *this;
}

CacheKey& CacheKey::add(const QPainterPath& path, const QPointF& origin) {
    add(static_cast<std::uint64_t>(path.fillRule()));
    add(static_cast<std::uint64_t>(path.elementCount()));
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        add(static_cast<std::uint64_t>(element.type));
        add(element.x - origin.x());
        add(element.y - origin.y());
    }
    return *this;
}

std::optional<QImage> ImageCache::find(std::uint64_t key) {
    std::lock_guard lock(mutex_);
    const auto found = images_.find(key);
    if (found == images_.end()) return std::nullopt;
    return found->second;
}

void ImageCache::store(std::uint64_t key, const QImage& image) {
    const auto cost = static_cast<std::size_t>(image.sizeInBytes());
    if (cost > budget_ / 4) return;
    std::lock_guard lock(mutex_);
    if (const auto existing = images_.find(key); existing != images_.end()) {
        bytes_ -= static_cast<std::size_t>(existing->second.sizeInBytes());
        existing->second = image;
        bytes_ += cost;
        return;
    }
    while (bytes_ + cost > budget_ && !order_.empty()) {
        const auto oldest = images_.find(order_.front());
        order_.pop_front();
        if (oldest == images_.end()) continue;
        bytes_ -= static_cast<std::size_t>(oldest->second.sizeInBytes());
        images_.erase(oldest);
    }
    images_.emplace(key, image);
    order_.push_back(key);
    bytes_ += cost;
}

std::size_t ImageCache::size() {
    std::lock_guard lock(mutex_);
    return images_.size();
}

}  // namespace quorvel::drawing
