#include "kit/visuals/views/lists/FinishedListView.hpp"

#include <QPainter>

#include "kit/visuals/views/device/TabBlock.hpp"
#include "kit/visuals/views/lists/FinishedRowView.hpp"
#include "kit/visuals/views/lists/LogPanel.hpp"
#include "kit/visuals/views/lists/RowFrame.hpp"
#include "kit/visuals/views/lists/RowStack.hpp"

namespace quorvel {
namespace {

std::optional<std::string> logAt(const FinishedListView& list, std::size_t index) {
    return list.logFor ? list.logFor(index) : std::nullopt;
}

}  // namespace

std::vector<FinishedListView::Entry> FinishedListView::layout(double width) const {
    std::vector<Entry> entries;
    if (runs.empty()) {
        entries.push_back(Entry{std::nullopt, QRectF(0, 0, width, RowFrame::height), std::nullopt});
        return entries;
    }
    double y = 0;
    for (std::size_t index = 0; index < runs.size(); ++index) {
        if (index > 0) y += spacing;
        Entry entry{index, QRectF(0, y, width, RowFrame::height), std::nullopt};
        y += RowFrame::height;
        if (const auto log = logAt(*this, index)) {
            const double panelHeight = LogPanel{QString::fromStdString(*log), 0}.height(width);
            y += spacing;
            entry.log = QRectF(0, y, width, panelHeight);
            y += panelHeight;
        }
        entries.push_back(entry);
    }
    return entries;
}

double FinishedListView::height(double width) const {
    const auto entries = layout(width);
    const Entry& last = entries.back();
    return last.log ? last.log->bottom() : last.row.bottom();
}

bool FinishedListView::isTappable(std::size_t index) const {
    return onRowTap && index < runs.size() && runs[index].log.has_value();
}

std::optional<FinishedListView::Hit> FinishedListView::hitTest(const QRectF& frame, QPointF point) const {
    const QPointF local = point - frame.topLeft();
    for (const Entry& entry : layout(frame.width())) {
        if (!entry.index) continue;
        if (entry.log && entry.log->contains(local)) return Hit{*entry.index, true};
        if (entry.row.contains(local) && isTappable(*entry.index)) return Hit{*entry.index, false};
    }
    return std::nullopt;
}

void FinishedListView::activate(std::size_t index) const {
    if (isTappable(index)) onRowTap(index);
}

void FinishedListView::paint(QPainter& painter, const QRectF& frame) const {
    painter.save();
    painter.translate(frame.topLeft());
    for (const Entry& entry : layout(frame.width())) {
        if (!entry.index) {
            EmptyRow{QString::fromUtf8(TabBlock::emptyFinishedText)}.paint(painter, entry.row);
            continue;
        }
        if (isInsideClip(painter, entry.row)) {
            FinishedRowView{runs[*entry.index], now, calendar}.paint(painter, entry.row);
        }
        if (entry.log && isInsideClip(painter, *entry.log)) {
            const double scroll = logScrollFor ? logScrollFor(*entry.index) : 0;
            LogPanel{QString::fromStdString(logAt(*this, *entry.index).value_or("")), scroll}.paint(painter, *entry.log);
        }
    }
    painter.restore();
}

}  // namespace quorvel
