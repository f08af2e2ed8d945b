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
    const json::Json& object = json::requireObject(value, "FinishedRun");
    const std::string chipName = json::requireString(object, "chip");
    const auto chip = chipFromRawValue(chipName);
    if (!chip) throw json::JsonDecodeError("unknown chip \"" + chipName + "\"");
    FinishedRun run;
    run.chip = *chip;
    run.title = json::requireString(object, "title");
    run.duration = json::optionalDouble(object, "duration");
    run.ok = json::requireBool(object, "ok");
    run.project = json::optionalString(object, "project");
    run.sessionID = json::requireString(object, "sessionID");
    run.finishedAt = json::requireReferenceDate(object, "finishedAt");
    run.log = json::optionalString(object, "log");
    return run;
}

json::Json FinishedRun::encode() const {
    json::Json object = json::Json::object();
    object["chip"] = json::string(rawValue(chip));
    object["title"] = json::string(title);
    json::putOptional(object, "duration", duration);
    object["ok"] = ok;
    json::putOptional(object, "project", project);
    object["sessionID"] = json::string(sessionID);
    object["finishedAt"] = json::referenceDate(finishedAt);
    json::putOptional(object, "log", log);
    return object;
}

}  // namespace quorvel
