#pragma once
// The phone's lock-screen card of one Live Activity: the mascot with the state's face beside
// three rows: the project and the "QUORVEL" mark, a very large word for the state (or the
// running clock while a run goes on), and one detail line. Drawn from a `QuorvelLiveState`
// as the Mac last sent it; the project, duration and detail are shown verbatim, as plain text.
//
// Layout, in points, in the frame it is given: 16 points of padding left and right and 14 top
// and bottom around a row of the 64-point mascot, 14 points of room, and the column of rows
// (header, a 56-point headline row, the detail wrapped to the column's width); the row is
// centred in the frame's height. A stale card dims only its headline row. Only the running
// clock changes over time (`BigTime`): a host repaints it every second while
// `headline().isLive()`. It keeps no state. Main thread only.
#include <optional>
#include <string>
#include <string_view>

#include <QRectF>
#include <QString>

#include "kit/phone/BigTime.hpp"
#include "kit/push/QuorvelLiveState.hpp"
#include "kit/visuals/model/Color.hpp"
#include "kit/visuals/views/mascot/MascotView.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

struct LockScreenCard {
    QuorvelLiveState state;
    /// The Mac has not updated the activity for too long.
    bool stale = false;
    /// Seconds the running clock shows instead of counting (still pictures).
    std::optional<double> frozenElapsed;

    static constexpr double horizontalPadding = 16;
    static constexpr double verticalPadding = 14;
    static constexpr double spacing = 14;
    static constexpr double mascotScale = 4;
    static constexpr double projectSize = 13;
    static constexpr double logoSize = 18;
    static constexpr double headerSpacing = 8;
    static constexpr double headlineHeight = 56;
    static constexpr double wordSize = 60;
    static constexpr double wordMinimumScale = 0.7;
    static constexpr double durationSize = 40;
    static constexpr double headlineSpacing = 10;
    static constexpr double captionSize = 10;
    static constexpr double captionTracking = 1.2;
    static constexpr double detailSize = 12;
    static constexpr double staleOpacity = 0.5;

    /// "running" and "longRun".
    static bool isRunningState(std::string_view state);
    /// DONE, NEEDS YOU, IT BROKE, CRASHED; GRINDING for a run in progress and any other text.
    static QString headlineForState(std::string_view state);
    /// acid for done and needs you, broke for broke and crashed, dim otherwise.
    static Color accentForState(std::string_view state);

    /// The detail row. A broke state whose detail ends in the shell's exit code (the last
    /// " · exit " part: the command before it may contain "exit " itself) reads as the title,
    /// " · " and that exit part, or the exit part alone when there is no title; every other
    /// state reads as the title alone.
    std::string exitCodeText() const;

    /// The run's length for the done headline: end (or the start, without one) - start, never
    /// negative, in the short form ("4m 12s").
    QString doneDuration() const;

    /// The mascot: the state's face, 64 points, red only for "broke" (a crashed one stays white).
    MascotView mascot() const;
    /// The running clock of the headline row.
    BigTime headline() const { return BigTime{state, wordSize, frozenElapsed}; }
    /// "LOST THE MAC" when stale, else "GRINDING".
    QString caption() const;

    struct Layout {
        QRectF mascot;
        QRectF column;
        QRectF header;
        QRectF headline;
        QRectF detail;
    };
    Layout layout(const QRectF& frame) const;

    /// Paints the card's content in `frame` (the plate behind it is the host's), the running
    /// clock as it reads at `now`.
    void paint(QPainter& painter, const QRectF& frame, Instant now = Instant::now()) const;

private:
    void paintHeader(QPainter& painter, const QRectF& row) const;
    void paintHeadline(QPainter& painter, const QRectF& row, Instant now) const;
};

}  // namespace quorvel
