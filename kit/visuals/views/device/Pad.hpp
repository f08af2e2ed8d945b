#pragma once
// The latching toggle key of the control panel (CLAUDE, SHELL, FAILS ONLY): a small LED above
// its legend; it stays sunk while it is on. Its look follows `on` only (no pressed drawing).
//
// Layout in a frame of the offered width and `height()`: LED (10) and legend (Space Mono Bold
// 10, tracking 0.2, one line, shrinks to 80 %) stacked with spacing 6, padded 10 top and
// bottom and 6 left and right; the bevelled face (radius 8) covers that padded box; below it
// 5 points of room for the depth in both states, so the layout never changes.
#include <functional>

#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

namespace quorvel {

struct Pad {
    /// The legend, shown verbatim.
    QString label;
    bool on = false;
    /// The binding's setter; `toggle` calls it with the flipped state.
    std::function<void(bool)> setOn;

    static constexpr double ledSize = 10;
    static constexpr double spacing = 6;
    static constexpr double legendSize = 10;
    static constexpr double tracking = 0.2;
    static constexpr double minimumScale = 0.8;
    static constexpr double horizontalPadding = 6;
    static constexpr double verticalPadding = 10;
    static constexpr double bottomPadding = 5;
    static constexpr double cornerRadius = 8;
    static constexpr double raisedDepth = 5;
    static constexpr double strokeWidth = 2;

    /// Laid-out height: the padded stack plus the bottom room.
    static double height();
    /// The bevelled face for a pad drawn in `frame` (the frame without the bottom room).
    static QRectF faceRect(const QRectF& frame);
    /// The face takes the pointer.
    static bool contains(const QRectF& frame, const QPointF& point) { return faceRect(frame).contains(point); }

    /// Flips the state through `setOn` (nothing when it is unset).
    void toggle() const;

    /// Paints the pad in `frame`.
    void paint(QPainter& painter, const QRectF& frame) const;

    /// Accessibility: the pad is "selected" while on.
    bool isSelected() const { return on; }
};

}  // namespace quorvel
