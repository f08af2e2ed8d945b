#pragma once
// The small raised key of the phone screens and the settings window: a bold monospaced legend
// on a bevelled face that sinks while it is held and springs back (no animation).
//
// Geometry of a key frame (at least 40 points tall, as wide as the legend plus 12 points on
// each side): the face is 27 points tall, its top 15 points above the frame's centre at rest;
// held, it sits 2 points lower and its depth shrinks from 3 points to 1, so the bottom of the
// depth stays where it was. Main thread, like every view.
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "kit/visuals/model/Color.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

class QPainter;

namespace quorvel {

struct SmallKeyStyle {
    enum class Style { panel, acid };

    struct Colors {
        Color face;
        Color depth;
        Color legend;
        bool operator==(const Colors&) const = default;
    };

    Style style = Style::panel;

    static constexpr double legendSize = 10;
    static constexpr double legendTracking = 1;
    static constexpr double horizontalPadding = 12;
    static constexpr double faceHeight = 27;
    static constexpr double restDepth = 3;
    static constexpr double pressTravel = 2;
    static constexpr double cornerRadius = 5;
    static constexpr double strokeWidth = 1.5;
    static constexpr double minimumHeight = 40;

    /// Face, depth and legend colours of `style`: panel/keyDepth/mascotWhite or acid/acidDeep/ink.
    static Colors colors(Style style);
    /// The legend's text style (bold Space Mono 10, tracking 1) in `style`'s legend colour.
    static drawing::TextStyle legendStyle(Style style);

    /// The key's frame for `label`: the legend's width plus the padding, 40 points tall.
    static QSizeF size(const QString& label);
    /// The face inside a key frame: the frame's width, 27 points tall, 2 points lower while held.
    static QRectF faceRect(const QRectF& frame, bool pressed);
    /// Points of depth under the face: 3 at rest, 1 while held.
    static double depth(bool pressed);

    /// Paints the key for `label` in `frame`; the legend is plain text, cut at the end when the
    /// frame is too narrow for it. `focused` adds an acid ring around the face for a key that
    /// keyboard input goes to.
    void paint(QPainter& painter, const QRectF& frame, const QString& label, bool pressed, bool focused = false) const;
};

}  // namespace quorvel
