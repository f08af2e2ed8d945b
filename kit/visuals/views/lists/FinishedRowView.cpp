#include "kit/visuals/views/lists/FinishedRowView.hpp"

#include "kit/engine/CopyBook.hpp"
#include "kit/engine/Durations.hpp"
#include "kit/visuals/model/Tokens.hpp"

namespace quorvel {

RowLines FinishedRowView::lines() const {
    const bool titleEmpty = run.title.empty();
    const std::string first = titleEmpty ? run.project.value_or("") : run.title;
    std::string trailing = "BROKE";
    if (run.ok) trailing = run.duration ? Durations::shortText(*run.duration) : std::string();
    const std::string detail = CopyBook::joined({
        titleEmpty ? std::nullopt : run.project,
        CopyBook::finishedTime(run.finishedAt, now, calendar),
    });
    return RowLines{
        Chip{QString::fromUtf8(label(run.chip).data(), static_cast<qsizetype>(label(run.chip).size())), run.ok},
        QString::fromStdString(first),
        QString::fromStdString(trailing),
        run.ok ? Tokens::mascotWhite : Tokens::broke,
        QString::fromStdString(detail),
    };
}

void FinishedRowView::paint(QPainter& painter, const QRectF& frame) const {
    lines().paint(painter, frame, Tokens::ink);
}

}  // namespace quorvel
