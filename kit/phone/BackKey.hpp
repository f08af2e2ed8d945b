#pragma once
// The round back key of the phone pages: an acid left chevron on a raised round panel key,
// 40 points across with 3 points of depth below. Only taps inside the circle count; the key
// does not sink while held.
#include <functional>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "kit/visuals/model/PixelArt.hpp"

class QPainter;

namespace quorvel {

struct BackKey {
    std::function<void()> action;

    static constexpr double diameter = 40;
    static constexpr double depth = 3;
    static constexpr double chevronScale = 2;
    static constexpr double strokeWidth = 1.5;

    /// The chevron pointing left: each row of the right-pointing one reversed.
    static PixelArt::PixelMap leftChevron();
    /// 40 x 43: the circle and the depth below it.
    static QSizeF size() { return {diameter, diameter + depth}; }
    /// Whether `point` (relative to the key's top-left) lies on the round key.
    static bool hits(const QPointF& point);

    void paint(QPainter& painter, const QPointF& topLeft) const;
    /// Runs `action` for a tap on the circle; true when it did.
    bool tap(const QPointF& point) const;

    static constexpr const char* accessibilityLabel = "Back";
};

}  // namespace quorvel
