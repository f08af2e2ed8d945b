#include "kit/visuals/views/lists/RunningListView.hpp"

#include <QPainter>

#include "kit/visuals/views/device/TabBlock.hpp"
#include "kit/visuals/views/lists/RowFrame.hpp"
#include "kit/visuals/views/lists/RowStack.hpp"
#include "kit/visuals/views/lists/RunningRowView.hpp"

namespace quorvel {

std::vector<QRectF> RunningListView::rowFrames(double width) const {
    return stackedRowFrames(std::max<std::size_t>(rows.size(), 1), width, spacing);
}

double RunningListView::height(double width) const { return rowFrames(width).back().bottom(); }

std::optional<std::string> RunningListView::hitTest(const QRectF& frame, QPointF point) const {
    if (rows.empty()) return std::nullopt;
    const auto frames = rowFrames(frame.width());
    const QPointF local = point - frame.topLeft();
    for (std::size_t index = 0; index < rows.size(); ++index) {
        if (frames[index].contains(local)) return rows[index].id;
    }
    return std::nullopt;
}

void RunningListView::paint(QPainter& painter, const QRectF& frame) const {
    const auto frames = rowFrames(frame.width());
    painter.save();
    painter.translate(frame.topLeft());
    if (rows.empty()) {
        EmptyRow{QString::fromUtf8(TabBlock::emptyRunningText)}.paint(painter, frames.front());
    }
    for (std::size_t index = 0; index < rows.size(); ++index) {
        if (isInsideClip(painter, frames[index])) RunningRowView{rows[index], now}.paint(painter, frames[index]);
    }
    painter.restore();
}

}  // namespace quorvel
