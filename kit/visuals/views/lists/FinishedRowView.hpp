#pragma once
// One row of the FINISHED list: what ran (title, or the project when the run had no title),
// how long it took or BROKE in red, and where and when it finished. Main thread only.
#include <QRectF>

#include "kit/engine/FinishedRun.hpp"
#include "kit/visuals/views/lists/RowLines.hpp"
#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

struct FinishedRowView {
    FinishedRun run;
    /// The finish time is told relative to this moment.
    Instant now;
    /// The calendar the finish time is written in (the user's by default).
    Calendar calendar = Calendar::current();

    /// The pieces as drawn: chip SH or CC, title or project, duration or BROKE, and the
    /// project (left out when it already leads the row) joined with the finish time.
    RowLines lines() const;

    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
