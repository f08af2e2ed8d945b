#pragma once
// The bevelled plastic push key of the device, the strip and the phone face: a pixel-font
// legend on a raised face that sinks into its own depth while the pointer is held down.
//
// Geometry of a key given `frame` (the whole key, laid out at rest height):
//   face height  = max(24, legend line height) + 2 x vertical padding
//   at rest      the face sits at the frame's top, D points of depth show below it
//   pressed      the face moves down D - 1 points, 1 point of depth shows
// so the drawn bottom edge stays where it is. The laid-out height is the face height plus D at
// rest and plus 1 while pressed (`height`). The legend is one line, shrunk down to 70 % and
// then cut with an ellipsis; it never wraps. The whole frame is the hit area.
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

#include "kit/visuals/model/Color.hpp"

class QPainter;

namespace quorvel {

struct KeyStyle {
    /// The three colour sets (fill, depth, legend): panel = (panel, keyDepth, mascotWhite),
    /// acid = (acid, acidDeep, ink), broke = (broke, brokeDeep, ink).
    enum class Look { panel, acid, broke };
    /// mac: the device; compact: the strip; phone: the phone face; tall.
    enum class Size { mac, compact, phone, tall };

    struct Dimensions {
        double legendSize = 24;
        double verticalPadding = 8;
        double cornerRadius = 7;
        /// D, the key's depth below its face at rest.
        double depth = 6;
    };

    Color fill;
    Color depth;
    Color text;
    Size size = Size::mac;

    static constexpr double horizontalPadding = 12;
    static constexpr double minimumLegendHeight = 24;
    static constexpr double tracking = 0.96;
    static constexpr double minimumScale = 0.7;
    static constexpr double strokeWidth = 2;

    KeyStyle(Color fill, Color depth, Color text, Size size);
    KeyStyle(Look look, Size size);

    static Dimensions dimensions(Size size);
    Dimensions dimensions() const { return dimensions(size); }

    /// Jersey 10 at the size's legend size with the key's tracking.
    QFont legendFont() const;
    double faceHeight() const;
    /// Laid-out height: face height plus D at rest, plus 1 pressed.
    double height(bool pressed) const;
    /// The face's rectangle for a key drawn in `frame` (frame top = face top at rest).
    QRectF faceRect(const QRectF& frame, bool pressed) const;
    /// The whole frame, padding included, takes the pointer.
    bool contains(const QRectF& frame, const QPointF& point) const { return frame.contains(point); }

    /// Paints the key with `label` (plain text) in `frame`.
    void paint(QPainter& painter, const QRectF& frame, const QString& label, bool pressed) const;
};

}  // namespace quorvel
