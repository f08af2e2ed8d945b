#pragma once
// One status line in a 44-point recessed well: a lamp (steady, or blinking when `pulsing`),
// the text (Space Mono 12; white when `on`, else dim, cut at the end), and an optional right
// text (bold Space Mono 11, tracking 1, dim). A pulsing lamp blinks whatever `on` says; `on`
// still picks the text colour.
#include <optional>
#include <string>

#include <QRectF>

#include "kit/visuals/model/Color.hpp"

class QPainter;

namespace quorvel {

struct StatusWell {
    std::string text;
    std::optional<std::string> right;
    bool on = false;
    Color color;
    bool pulsing = false;

    static constexpr double height = 44;
    static constexpr double horizontalPadding = 12;
    static constexpr double spacing = 10;
    static constexpr double minimumGap = 8;
    static constexpr double lampSize = 10;
    static constexpr double textSize = 12;
    static constexpr double rightSize = 11;
    static constexpr double rightTracking = 1;

    struct Layout {
        QRectF lamp;
        QRectF text;
        /// Empty without a right text.
        QRectF right;
    };
    Layout layout(double width) const;

    /// Whether the lamp is lit; for a pulsing lamp, `secondsShown` after the well came on screen.
    bool lampLit(double secondsShown) const;

    void paint(QPainter& painter, const QRectF& frame, double secondsShown = 0) const;

    /// Text and right text read as one.
    std::string accessibilityLabel() const;
};

}  // namespace quorvel
