#pragma once
// A 54-point row in a recessed well: a name (Space Mono 13, white) over a second line
// (Space Mono 11, dim), and a small key at the right. Texts too long for their line are cut
// at the end; the key keeps its width.
#include <functional>
#include <string>

#include <QPointF>
#include <QRectF>

#include "kit/phone/SmallKeyStyle.hpp"

class QPainter;

namespace quorvel {

struct RowWithKey {
    std::string name;
    std::string line2;
    std::string keyLabel;
    SmallKeyStyle::Style keyStyle = SmallKeyStyle::Style::panel;
    /// Run when the key is tapped; may be empty.
    std::function<void()> action;

    static constexpr double height = 54;
    static constexpr double horizontalPadding = 12;
    static constexpr double spacing = 10;
    static constexpr double minimumGap = 8;
    static constexpr double lineSpacing = 2;
    static constexpr double nameSize = 13;
    static constexpr double line2Size = 11;

    struct Layout {
        QRectF name;
        QRectF line2;
        QRectF key;
    };
    /// Where the texts and the key go in a row of `width`, from the row's top-left.
    Layout layout(double width) const;

    /// Paints the row filling `frame` (54 points tall), the key held when `keyPressed`.
    void paint(QPainter& painter, const QRectF& frame, bool keyPressed = false) const;
    /// The well and the texts only, for a caller that places a key of its own at `layout().key`.
    void paintBody(QPainter& painter, const QRectF& frame) const;

    /// A tap at `point` (relative to the row's top-left, in a row of `width`): runs `action`
    /// when it falls on the key; true when it did.
    bool tap(const QPointF& point, double width) const;
};

}  // namespace quorvel
