#include "kit/visuals/views/mascot/MascotRenderer.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <unordered_map>

#include <QColorSpace>
#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shadow.hpp"

namespace quorvel {

namespace {

constexpr int bodyCells = 16;
constexpr int screenColumns = 10;
constexpr int screenRows = 7;
constexpr double glowBlurRadius = 8;
constexpr double glowOpacity = 0.18;

class MascotImages {
public:
    std::optional<QImage> find(const MascotRenderer::Key& key) {
        std::lock_guard lock(mutex_);
        const auto found = images_.find(key);
        if (found == images_.end()) return std::nullopt;
        return found->second;
    }
    void store(const MascotRenderer::Key& key, const QImage& image) {
        std::lock_guard lock(mutex_);
        images_.insert_or_assign(key, image);
    }
    std::size_t size() {
        std::lock_guard lock(mutex_);
        return images_.size();
    }

private:
    std::mutex mutex_;
    std::unordered_map<MascotRenderer::Key, QImage, MascotRenderer::KeyHash> images_;
};

MascotImages& cache() {
    static MascotImages shared;
    return shared;
}

// The glow depends only on the body's silhouette, the same in every colour, face and shift:
// one halo per cell size and pixel scale, shared by every pose drawn at that size.
class Halos {
public:
    QImage halo(const QImage& body, double cell, double pixelScale) {
        const std::pair<double, double> size{cell, pixelScale};
        {
            std::lock_guard lock(mutex_);
            if (const auto found = halos_.find(size); found != halos_.end()) return found->second;
        }
        QImage made = drawing::shadowImage(body, drawing::toQColor(Tokens::acid, glowOpacity), glowBlurRadius * pixelScale, 0);
        made.setDevicePixelRatio(pixelScale);
        std::lock_guard lock(mutex_);
        halos_.insert_or_assign(size, made);
        return made;
    }

private:
    std::mutex mutex_;
    std::map<std::pair<double, double>, QImage> halos_;
};

Halos& halos() {
    static Halos shared;
    return shared;
}

// Beyond the screen's width every face cell is cut off, so larger shifts draw the same as this.
int clampedShift(int shift) { return std::clamp(shift, -bodyCells, bodyCells); }

void fillCells(QPainter& painter, const PixelArt::PixelMap& map, const PixelArt::Palette& palette, double margin,
               double cell, int columnOffset, int rowOffset) {
    PixelArt::forEachColouredCell(map, palette, [&](int column, int row, const Color& colour) {
        painter.fillRect(QRectF(margin + cell * (column + columnOffset), margin + cell * (row + rowOffset), cell, cell),
                         drawing::toQColor(colour));
    });
}

QImage blankBitmap(int side, double pixelScale) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.setColorSpace(QColorSpace::SRgb);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(pixelScale);
    return image;
}

void prepareCellPainter(QPainter& painter) {
    // Cells stay hard-edged at any scale.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

}  // namespace

std::size_t MascotRenderer::KeyHash::operator()(const Key& key) const {
    std::uint64_t hash = 14695981039346656037ULL;
    auto add = [&hash](std::uint64_t value) {
        hash ^= value + 0x9E3779B97F4A7C15ULL + (hash << 6) + (hash >> 2);
    };
    auto number = [](double value) { return std::bit_cast<std::uint64_t>(value == 0 ? 0.0 : value); };
    add(static_cast<std::uint64_t>(key.face));
    add(key.broke ? 1 : 0);
    add(key.onScreen ? 1 : 0);
    add(static_cast<std::uint64_t>(static_cast<std::int64_t>(key.faceShift)));
    add(number(key.cell));
    add(number(key.pixelScale));
    add(key.glow ? 1 : 0);
    return static_cast<std::size_t>(hash);
}

std::optional<int> MascotRenderer::side(const Key& key) {
    if (!std::isfinite(key.cell) || !std::isfinite(key.pixelScale) || key.cell <= 0 || key.pixelScale <= 0)
        return std::nullopt;
    const double pixels = std::round(key.pixelScale * (key.cell * bodyCells + 2 * margin(key.glow)));
    if (!std::isfinite(pixels) || pixels < 1 || pixels > maximumSide) return std::nullopt;
    return static_cast<int>(pixels);
}

std::optional<QImage> MascotRenderer::render(const Key& key) {
    const std::optional<int> pixels = side(key);
    if (!pixels) return std::nullopt;
    QImage bitmap = blankBitmap(*pixels, key.pixelScale);
    if (bitmap.isNull()) return std::nullopt;
    const double inset = margin(key.glow);

    if (key.glow) {
        // The body goes into a layer of its own whose silhouette casts one soft acid halo.
        QImage body = blankBitmap(*pixels, key.pixelScale);
        if (body.isNull()) return std::nullopt;
        {
            QPainter bodyPainter(&body);
            prepareCellPainter(bodyPainter);
            fillCells(bodyPainter, PixelArt::body(), PixelArt::bodyPalette(key.broke, key.onScreen), inset, key.cell, 0, 0);
        }
        const QImage halo = halos().halo(body, key.cell, key.pixelScale);
        QPainter painter(&bitmap);
        prepareCellPainter(painter);
        painter.drawImage(QPointF(0, 0), halo);
        painter.drawImage(QPointF(0, 0), body);
    } else {
        QPainter painter(&bitmap);
        prepareCellPainter(painter);
        fillCells(painter, PixelArt::body(), PixelArt::bodyPalette(key.broke, key.onScreen), inset, key.cell, 0, 0);
    }

    const auto& faces = PixelArt::faces();
    if (const auto face = faces.find(key.face); face != faces.end()) {
        QPainter painter(&bitmap);
        prepareCellPainter(painter);
        const double screenLeft = inset + key.cell * PixelArt::screenOrigin.x;
        const double screenTop = inset + key.cell * PixelArt::screenOrigin.y;
        painter.setClipRect(QRectF(screenLeft, screenTop, key.cell * screenColumns, key.cell * screenRows));
        fillCells(painter, face->second, PixelArt::facePalette(key.broke), inset, key.cell,
                  clampedShift(key.faceShift) + PixelArt::screenOrigin.x, PixelArt::screenOrigin.y);
    }
    return bitmap;
}

std::optional<QImage> MascotRenderer::image(const Key& key) {
    // A key that cannot be drawn (NaN among them, which never equals itself) is never stored.
    if (!side(key)) return std::nullopt;
    if (std::optional<QImage> hit = cache().find(key)) return hit;
    std::optional<QImage> rendered = render(key);
    if (!rendered) return std::nullopt;
    cache().store(key, *rendered);
    return rendered;
}

std::size_t MascotRenderer::cacheSize() { return cache().size(); }

void MascotRenderer::draw(QPainter& painter, const QPointF& bodyOrigin, const Key& key) {
    const std::optional<QImage> bitmap = image(key);
    if (!bitmap) return;
    const double inset = margin(key.glow);
    const QPointF topLeft = drawing::snappedToDevicePixels(painter, bodyOrigin - QPointF(inset, inset));
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(topLeft, *bitmap);
    painter.restore();
}

}  // namespace quorvel
