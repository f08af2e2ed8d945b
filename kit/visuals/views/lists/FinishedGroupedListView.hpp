#pragma once
// The whole finished history grouped by day, newest first: each day under a straight dymo
// heading ("TODAY", "YESTERDAY" or a date), its runs below. Sections stand 16 points apart,
// the heading and rows of a section 6. Rows take no taps and show no logs. An empty history
// draws nothing. Main thread only.
#include <vector>

#include <QRectF>

#include "kit/engine/FinishedRun.hpp"
#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

class QPainter;

namespace quorvel {

struct FinishedGroupedListView {
    std::vector<FinishedRun::DayGroup> groups;
    Instant now;
    Calendar calendar = Calendar::current();

    static constexpr double sectionSpacing = 16;
    static constexpr double spacing = 6;
    static constexpr double headingSize = 10;

    /// The runs grouped by day in `calendar` (newest first).
    FinishedGroupedListView(const std::vector<FinishedRun>& runs, Instant now,
                            Calendar calendar = Calendar::current());

    struct Section {
        QRectF heading;
        std::vector<QRectF> rows;
    };
    std::vector<Section> layout(double width) const;
    double height(double width) const;

    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
