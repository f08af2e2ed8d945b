#pragma once
// A list of finished runs with, under any row the owner chooses, the run's kept log in a
// `LogPanel`. A row is a button only when the owner takes taps and the run has a log; the tap
// reports the run's position in `runs` (equal runs stay distinct). An empty list says so in
// one row. Rows and panels stand 6 points apart; the owner scrolls the list. Main thread only.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QPointF>
#include <QRectF>

#include "kit/engine/FinishedRun.hpp"
#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

struct FinishedListView {
    std::vector<FinishedRun> runs;
    Instant now;
    /// Taps on rows that have a log; unset: no row takes taps.
    std::function<void(std::size_t)> onRowTap;
    /// The log to show under the run at an index, if any.
    std::function<std::optional<std::string>(std::size_t)> logFor;
    /// How far the log panel under the run at an index is scrolled (0 when unset).
    std::function<double(std::size_t)> logScrollFor;
    Calendar calendar = Calendar::current();

    static constexpr double spacing = 6;

    struct Entry {
        /// Position in `runs`; none for the empty row.
        std::optional<std::size_t> index;
        QRectF row;
        std::optional<QRectF> log;
    };

    std::vector<Entry> layout(double width) const;
    double height(double width) const;

    /// True when the run at `index` is a button.
    bool isTappable(std::size_t index) const;

    struct Hit {
        std::size_t index = 0;
        /// Over the run's log panel (scroll it) rather than its row (tap it).
        bool onLog = false;
        bool operator==(const Hit&) const = default;
    };
    std::optional<Hit> hitTest(const QRectF& frame, QPointF point) const;
    /// A tap on the row at `index`: reported only for a tappable row.
    void activate(std::size_t index) const;

    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
