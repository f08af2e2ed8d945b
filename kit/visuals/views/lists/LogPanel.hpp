#pragma once
// The kept output of a failed shell command, under its row in the finished window: plain text
// in Space Mono 11 wrapped to the panel's width, in a dark recessed well with a red border, at
// most 180 points tall; longer text scrolls inside the panel (the owner keeps the offset and
// feeds it wheel and drag deltas).
//
// The text is painted; an owner that lets the user select and copy it lays a read-only text
// field of the same font over `textRect`. Main thread only.
#include <QRectF>
#include <QString>

class QPainter;

namespace quorvel {

struct LogPanel {
    QString text;
    /// Points scrolled down from the top; clamped to 0...maxScroll when drawn.
    double scrollOffset = 0;

    static constexpr double padding = 10;
    static constexpr double maximumHeight = 180;
    static constexpr double cornerRadius = 6;
    static constexpr double borderWidth = 1.5;

    /// The whole text's height, padding included, in a panel `width` wide.
    double contentHeight(double width) const;
    /// The panel's height: the content's, but never more than 180.
    double height(double width) const;
    /// How far the text can scroll in a panel `width` wide (0 when it fits).
    double maxScroll(double width) const;
    /// `offset` held to 0...maxScroll (not a number: 0).
    double clampedScroll(double width, double offset) const;

    /// Where the text lies in a panel at `frame`, before scrolling.
    static QRectF textRect(const QRectF& frame);

    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
