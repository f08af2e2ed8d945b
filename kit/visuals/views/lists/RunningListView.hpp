#pragma once
// The whole RUNNING list, one row per running session, for the phone face and any window that
// lists every session; an empty list says so in one row. A tap on a row reports its session
// identifier. Rows stand 6 points apart; the owner scrolls the list. Main thread only.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QPointF>
#include <QRectF>

#include "kit/engine/RunningRow.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

struct RunningListView {
    std::vector<RunningRow> rows;
    Instant now;
    std::function<void(const std::string&)> onRowTap;

    static constexpr double spacing = 6;

    /// The rows' frames in a list `width` wide, top first (one frame for the empty row).
    std::vector<QRectF> rowFrames(double width) const;
    double height(double width) const;

    /// The session identifier of the row under `point`.
    std::optional<std::string> hitTest(const QRectF& frame, QPointF point) const;
    void activate(const std::string& rowID) const {
        if (onRowTap) onRowTap(rowID);
    }

    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
