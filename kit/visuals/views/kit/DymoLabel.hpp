#pragma once
// A strip of embossed label tape: raised letters on a small tape, stuck on slightly crooked.
// Every text gets its own small, stable tilt (a hash of its UTF-8 bytes), so a row of labels
// looks hand-applied but never changes between drawings.
//
// Layout (before the tilt): the text in Space Mono Bold at `size` with tracking size x 0.16,
// padded 3 points top and bottom and 9 left and right. The tape is a rounded rectangle
// (radius 2) behind it that casts a shadow (black 0.55, radius 0.5, offset 1, 2), carries a
// light top edge and the grain at 0.1. The whole label rotates about its centre; the rotated
// corners and the shadow reach past `layoutSize()` and are not clipped. Painted pictures are
// kept (per text, tape, size, tilt and pixel position) in a small cache, so a repaint is a copy.
#include <optional>
#include <string>
#include <string_view>

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "kit/visuals/model/Color.hpp"

class QPainter;

namespace quorvel {

struct DymoLabel {
    enum class Tape { ink, acid };

    /// Shown verbatim as plain text (line breaks and tabs as spaces); the caller picks the case.
    std::string text;
    Tape tape = Tape::ink;
    /// Font size in points; the letter spacing follows it.
    double size = 12;
    /// Degrees; replaces the computed tilt when present.
    std::optional<double> fixedTilt;

    static constexpr double horizontalPadding = 9;
    static constexpr double verticalPadding = 3;
    static constexpr double cornerRadius = 2;
    static constexpr double trackingPerPoint = 0.16;

    /// The tilt of `text` in degrees, -1.5 ... +1.5, rounded to two decimals: 32-bit FNV-1a over
    /// the UTF-8 bytes, h mod 10000 mapped onto the range.
    static double tilt(std::string_view text);
    /// `fixedTilt` when present (NaN or infinity read as 0), else `tilt(text)`.
    double angle() const;

    static Color tapeColor(Tape tape);
    static Color letterColor(Tape tape);

    /// The label's size before rotation: the text line plus the padding.
    QSizeF layoutSize() const;

    /// Paints the label with its unrotated layout box centred in `frame` (usually a frame of
    /// `layoutSize()`), rotated about the frame's centre.
    void paint(QPainter& painter, const QRectF& frame) const;

    /// The accessible text: `text` itself.
    std::string accessibilityLabel() const { return text; }

private:
    /// Draws the label straight into `painter`, rotated about `centre`.
    void paintLabel(QPainter& painter, const QPointF& centre) const;
};

}  // namespace quorvel
