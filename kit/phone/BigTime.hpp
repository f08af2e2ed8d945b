#pragma once
// The large elapsed-time readout of the lock-screen card while a run goes on: the time since
// the run's start in the pixel face, counting up by itself (digits of one width, so it does
// not jitter); a fixed value for still pictures; the run's length in white once it ended.
//
// Times come from outside (a decoded Live Activity state): every elapsed time is the
// difference end - start taken as non-negative and saturating, so a start in the future, an
// end before the start or an absurd number reads as zero or as the largest count, never as a
// negative time or an error. Main thread only.
#include <optional>

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include "kit/push/QuorvelLiveState.hpp"
#include "kit/visuals/model/Color.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

struct BigTime {
    QuorvelLiveState state;
    /// Font size in points.
    double size = 60;
    /// Seconds shown instead of counting (still pictures); ignored once the run ended.
    std::optional<double> frozenElapsed;

    static constexpr double minimumScale = 0.6;

    /// `toUnix` - `fromUnix` in seconds, at least 0; NaN reads as 0 and an overflow as the
    /// largest finite value.
    static double elapsedSeconds(double fromUnix, double toUnix);

    /// Counting up by itself: no end and no frozen value.
    bool isLive() const { return !state.endedAtUnix && !frozenElapsed; }
    /// Live: "12:04" or "1:02:05" since the start at `now`. Frozen or ended: the short form
    /// ("12m 04s").
    QString text(Instant now) const;
    /// acid while the run goes on, mascotWhite once it ended.
    Color color() const;
    QFont font() const;

    /// The text's natural size at full scale, at `now`.
    QSizeF naturalSize(Instant now) const;
    /// The scale the text is drawn at in `width` points: 1, or down to 0.6.
    double scaleFor(double width, Instant now) const;

    /// Paints the text at `now` right-aligned in `frame`, its line box from the frame's top
    /// (the baseline lies `font` ascent x scale below it), shrunk down to 0.6 when too wide.
    void paint(QPainter& painter, const QRectF& frame, Instant now) const;
};

}  // namespace quorvel
