#include "kit/engine/FinishedRun.hpp"

#include <algorithm>

#include "kit/engine/CopyBook.hpp"

namespace quorvel {

std::vector<FinishedRun::DayGroup> FinishedRun::groupedByDay(const std::vector<FinishedRun>& runs, Instant now,
                                                             const Calendar& calendar) {
    std::vector<FinishedRun> sorted = runs;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const FinishedRun& a, const FinishedRun& b) { return a.finishedAt > b.finishedAt; });
    std::vector<DayGroup> groups;
    for (FinishedRun& run : sorted) {
        std::string label = CopyBook::dayLabel(run.finishedAt, now, calendar);
        if (!groups.empty() && groups.back().label == label) {
            groups.back().runs.push_back(std::move(run));
        } else {
            groups.push_back(DayGroup{std::move(label), {std::move(run)}});
        }
    }
    return groups;
}

FinishedRun FinishedRun::decode(const json::Json& value) {
    return decodeRecord<FinishedRun>(value, "FinishedRun", finishedRunFields);
}

json::Json FinishedRun::encode() const { return encodeRecord(*this, finishedRunFields); }

}  // namespace quorvel
