#include "app/windows/FinishedPresenter.hpp"

#include <algorithm>

#include "app/model/AppModel.hpp"

namespace quorvel {

FinishedPresenter::FinishedPresenter(AppModel& model, std::shared_ptr<const Clock> clock, QObject* parent)
    : QObject(parent), model_(model), clock_(std::move(clock)), runs_(model.finished()), now_(clock_->now()) {
    connect(&model_, &AppModel::finishedChanged, this, &FinishedPresenter::listChanged);
}

std::string FinishedPresenter::caption() const {
    return std::to_string(runs_.size()) + " entries, last " + std::to_string(AppModel::finishedCap) + " kept";
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
    model_.setFinished({});
    model_.saveFinished();
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

void FinishedPresenter::listChanged() {
    std::vector<FinishedRun> after = model_.finished();
    if (openLog_) openLog_ = follow(runs_, *openLog_, after);
    runs_ = std::move(after);
    now_ = clock_->now();
    emit changed();
}

}  // namespace quorvel
