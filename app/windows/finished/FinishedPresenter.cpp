#include "app/windows/finished/FinishedPresenter.hpp"

#include <algorithm>

#include "app/stores/FinishedStore.hpp"

namespace quorvel {

FinishedPresenter::FinishedPresenter(FinishedSource& source, std::shared_ptr<const Clock> clock, QObject* parent)
    : QObject(parent), source_(source), clock_(std::move(clock)), runs_(source.finished()), now_(clock_->now()) {
    connect(&source_, &FinishedSource::changed, this, &FinishedPresenter::sourceChanged);
}

std::string FinishedPresenter::caption() const {
    return std::to_string(runs_.size()) + " entries, last " + std::to_string(FinishedStore::keptRuns) + " kept";
}

std::optional<std::string> FinishedPresenter::logFor(std::size_t index) const {
    if (openLog_ != index || index >= runs_.size()) return std::nullopt;
    return runs_[index].log;
}

void FinishedPresenter::windowShown() {
    now_ = clock_->now();
    emit changed();
}

void FinishedPresenter::toggleLog(std::size_t index) {
    if (index >= runs_.size()) return;
    openLog_ = openLog_ == index ? std::nullopt : std::optional<std::size_t>(index);
    emit changed();
}

void FinishedPresenter::clear() {
    source_.clearFinished();
}

std::optional<std::size_t> FinishedPresenter::follow(const std::vector<FinishedRun>& before, std::size_t open,
                                                     const std::vector<FinishedRun>& after) {
    if (open >= before.size()) return std::nullopt;
    // The list grows at the top and is cut at the end: find the smallest shift by which
    // `after` carries on with what `before` held, as far as both go.
    for (std::size_t shift = 0; shift < after.size(); ++shift) {
        const std::size_t overlap = std::min(before.size(), after.size() - shift);
        if (overlap == 0) break;
        if (!std::equal(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(overlap),
                        after.begin() + static_cast<std::ptrdiff_t>(shift))) {
            continue;
        }
        if (open < overlap) return open + shift;
        return std::nullopt;  // cut off at the end
    }
    const auto same = std::find(after.begin(), after.end(), before[open]);
    if (same == after.end()) return std::nullopt;
    return static_cast<std::size_t>(same - after.begin());
}

void FinishedPresenter::sourceChanged() {
    if (source_.finished() == runs_) return;
    std::vector<FinishedRun> after = source_.finished();
    if (openLog_) openLog_ = follow(runs_, *openLog_, after);
    runs_ = std::move(after);
    now_ = clock_->now();
    emit changed();
}

}  // namespace quorvel
