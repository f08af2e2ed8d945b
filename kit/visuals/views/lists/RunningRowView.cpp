#include "kit/visuals/views/lists/RunningRowView.hpp"

#include "kit/engine/CopyBook.hpp"
#include "kit/engine/Durations.hpp"
#include "kit/visuals/model/Tokens.hpp"

namespace quorvel {

Color stateColor(const RunningRow& row) {
    if (row.isFailure()) return Tokens::broke;
    if (row.state.is(SessionState::Kind::needsYou)) return Tokens::acid;
    return Tokens::mascotWhite;
}

Color RunningRowView::outline() const {
    if (!row.onScreen) return Tokens::ink;
    return row.isFailure() ? Tokens::broke : Tokens::acid;
}

RowLines RunningRowView::lines() const {
    const std::string project = row.project.value_or("no terminals");
    const std::string detail = CopyBook::joined({Durations::shortText(row.elapsed(now)), row.title});
    return RowLines{
        Chip{QStringLiteral("CC"), !row.isFailure()},
        QString::fromStdString(project),
        QString::fromStdString(CopyBook::stateChip(row.state)),
        stateColor(row),
        QString::fromStdString(detail),
    };
}

void RunningRowView::paint(QPainter& painter, const QRectF& frame) const {
    lines().paint(painter, frame, outline());
}

}  // namespace quorvel
