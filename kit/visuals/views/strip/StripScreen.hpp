#pragma once
// The compact strip's short screen: the animated mascot (scale 4, rising at most 6 points)
// beside the two-line headline and the detail line, with the one-shot overlay. Unlike the
// device's screen it has no status row. It fills the width it is given and is 92 points tall.
#include <optional>

#include <QPointF>
#include <QRectF>
#include <QString>

#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/model/MotionClock.hpp"
#include "kit/visuals/views/mascot/AnimatedMascot.hpp"
#include "kit/visuals/views/mascot/FaceFade.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

struct StripScreen {
    DeviceDisplay display;
    MotionClock clock;
    bool reduceMotion = false;
    /// The moment drawn.
    Instant time;
    /// A face change cross-fading under reduce motion.
    std::optional<FaceFade> faceFade = std::nullopt;

    static constexpr double height = 92;
    static constexpr double mascotScale = 4;
    static constexpr double ceiling = 6;
    static constexpr double spacing = 14;
    static constexpr double horizontalPadding = 14;
    static constexpr double verticalPadding = 8;
    static constexpr double headlineSize = 34;
    static constexpr double line1Height = 28;
    static constexpr double line2Height = 30;
    static constexpr double detailSize = 11;

    struct Layout {
        QRectF screen;
        QRectF mascot;
        QRectF line1;
        QRectF line2;
        QRectF detail;
    };

    Layout layout(const QRectF& frame) const;
    AnimatedMascot mascot() const;
    bool showsOverlay() const;
    /// The mascot row as one element: the mascot's label, both headline lines and the detail.
    QString accessibilityLabel() const;

    void paint(QPainter& painter, const Layout& layout) const;
};

}  // namespace quorvel
