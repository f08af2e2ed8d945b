#pragma once
// One row of the RUNNING list: the session's project, its state in big letters and how long
// the run has gone on. The outline marks the session shown on the device's screen: acid, or
// red when it broke; every other row has a dark outline whatever its state. Main thread only.
#include <QRectF>
#include <QString>

#include "kit/engine/RunningRow.hpp"
#include "kit/visuals/model/Color.hpp"
#include "kit/visuals/views/lists/RowLines.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

/// The colour of a row's state label: red for broke and crashed, acid for needs-you, white
/// otherwise.
Color stateColor(const RunningRow& row);

struct RunningRowView {
    RunningRow row;
    /// Elapsed time counts up to this moment (the snapshot's time).
    Instant now;

    Color outline() const;
    /// The pieces as drawn: chip CC, project (or "no terminals"), state chip text, and the
    /// elapsed time joined with the title.
    RowLines lines() const;

    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
