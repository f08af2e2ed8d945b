#include "kit/visuals/views/lists/FinishedGroupedListView.hpp"

#include <QPainter>

#include "kit/visuals/views/kit/DymoLabel.hpp"
#include "kit/visuals/views/lists/FinishedRowView.hpp"
#include "kit/visuals/views/lists/RowFrame.hpp"
#include "kit/visuals/views/lists/RowStack.hpp"

namespace quorvel {
namespace {

DymoLabel heading(const FinishedRun::DayGroup& group) {
    return DymoLabel{group.label, DymoLabel::Tape::ink, FinishedGroupedListView::headingSize, 0.0};
}

}  // namespace

FinishedGroupedListView::FinishedGroupedListView(const std::vector<FinishedRun>& runs, Instant now,
                                                 Calendar calendar)
    : groups(FinishedRun::groupedByDay(runs, now, calendar)), now(now), calendar(std::move(calendar)) {}

std::vector<FinishedGroupedListView::Section> FinishedGroupedListView::layout(double width) const {
    std::vector<Section> sections;
    double y = 0;
    for (const auto& group : groups) {
        if (!sections.empty()) y += sectionSpacing;
        Section section;
        section.heading = QRectF(QPointF(0, y), heading(group).layoutSize());
        y = section.heading.bottom() + spacing;
        section.rows = stackedRowFrames(group.runs.size(), width, spacing, y);
        if (!section.rows.empty()) y = section.rows.back().bottom();
        else y = section.heading.bottom();
        sections.push_back(std::move(section));
    }
    return sections;
}

double FinishedGroupedListView::height(double width) const {
    const auto sections = layout(width);
    if (sections.empty()) return 0;
    const Section& last = sections.back();
    return last.rows.empty() ? last.heading.bottom() : last.rows.back().bottom();
}

void FinishedGroupedListView::paint(QPainter& painter, const QRectF& frame) const {
    const auto sections = layout(frame.width());
    painter.save();
    painter.translate(frame.topLeft());
    for (std::size_t group = 0; group < sections.size(); ++group) {
        const Section& section = sections[group];
        if (isInsideClip(painter, section.heading)) heading(groups[group]).paint(painter, section.heading);
        for (std::size_t row = 0; row < section.rows.size(); ++row) {
            if (!isInsideClip(painter, section.rows[row])) continue;
            FinishedRowView{groups[group].runs[row], now, calendar}.paint(painter, section.rows[row]);
        }
    }
    painter.restore();
}

}  // namespace quorvel
