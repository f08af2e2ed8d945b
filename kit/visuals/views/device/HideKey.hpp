#pragma once
// The round window key of the device header and the strip's rack ear: it hides the window or
// swaps between the full device and the compact strip. The key only reports the click; its
// owner decides what happens.
//
// Layout: a square of `size` points with 2 points of room below it; the cap is a raised
// circle (depth 2) and only the circle takes the pointer. While hovered the cap lightens and
// the glyph turns from dim to white.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace quorvel {

struct HideKey {
    enum class Glyph { cross, strip, device };
    /// Where a hidden window is brought back from: the tray's menu where the desktop shows a
    /// tray, else the desktop's launcher (or running the app again).
    enum class Recall { tray, launcher };

    /// The key's diameter in points.
    double size = 28;
    Glyph glyph = Glyph::cross;
    bool hovering = false;

    static constexpr double bottomPadding = 2;
    static constexpr double capDepth = 2;
    static constexpr double strokeWidth = 1.5;
    static constexpr double barThickness = 2;

    /// size x (size + 2).
    QSizeF layoutSize() const { return {size, size + bottomPadding}; }
    /// The cap's square in a key laid out at `topLeft`.
    QRectF capRect(QPointF topLeft) const { return {topLeft, QSizeF(size, size)}; }
    /// True inside the cap's circle.
    bool contains(QPointF topLeft, QPointF point) const;

    /// "Hide", "Compact strip", "Full device".
    static QString accessibilityLabel(Glyph glyph);
    /// The tooltip, which also describes the key to assistive tools; the hide key's says
    /// where the window comes back from.
    static QString help(Glyph glyph, Recall recall);

    /// Bars of the cross and the strip glyph: size / 2 long; the device glyph's circle:
    /// size / 2 + 2 across.
    double barLength() const { return size / 2; }
    double deviceCircleDiameter() const { return size / 2 + 2; }

    void paint(QPainter& painter, QPointF topLeft) const;
};

}  // namespace quorvel
