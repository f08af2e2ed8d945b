#pragma once
// One line of text the way the device shows it: plain text only (never markup), line breaks and
// tabs shown as spaces, letter tracking, shrunk down to a minimum scale when it is too wide and
// then cut with an ellipsis; it never wraps. A line taller than its frame is centred and
// overflows it (nothing is clipped).
#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace quorvel::drawing {

struct TextStyle {
    QFont font;
    /// Extra space after every character, in points at full size (scales with the text).
    double tracking = 0;
    QColor color;
    /// Horizontal and vertical placement in the frame (default: centred).
    Qt::Alignment alignment = Qt::AlignCenter;
    /// Smallest scale the text may shrink to before it is cut (1 = never shrinks).
    double minimumScale = 1;
};

/// `text` as one line: every line break (CR LF counts once), tab and other control character
/// becomes a space. No other change.
QString singleLine(const QString& text);

/// `font` with `tracking` points of absolute letter spacing and hinting off.
QFont trackedFont(QFont font, double tracking);

/// The height of one line of `font` (ascent plus descent), in points.
double lineHeight(const QFont& font);

/// The natural width of `text` in `style` at full size, tracking included (the tracking after
/// the last character counts, as in the platform's layout).
double naturalWidth(const QString& text, const TextStyle& style);

/// The natural size of one line of `text` in `style`.
QSizeF naturalSize(const QString& text, const TextStyle& style);

struct FittedLine {
    /// The text as drawn: one line, elided at the end when it did not fit at minimum scale.
    QString text;
    /// Scale applied to font and tracking: 1, or down to the style's minimum scale.
    double scale = 1;
    /// The drawn size in points (width of the shown text, height of the scaled line).
    QSizeF size;
};

/// How `text` fits into `width` points: full size when it fits; else the largest scale down to
/// `style.minimumScale` that fits; else the minimum scale with the end elided ("…").
/// A width that is not finite counts as unbounded; a negative one as 0.
FittedLine fitLine(const QString& text, const TextStyle& style, double width);

/// Draws `text` fitted into `frame`, aligned by `style.alignment`, as plain text.
/// Returns what was drawn.
FittedLine drawTextLine(QPainter& painter, const QRectF& frame, const QString& text, const TextStyle& style);

/// The outline of `text` as drawn with its baseline starting at `baseline` (tracking
/// included), for embossed letters and their shadows.
QPainterPath textPath(const QString& text, const QFont& font, const QPointF& baseline);

}  // namespace quorvel::drawing
