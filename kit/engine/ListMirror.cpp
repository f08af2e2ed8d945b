#include "kit/engine/ListMirror.hpp"

#include <algorithm>

namespace quorvel {

ListMirror ListMirror::build(std::vector<RunningRow> running, const std::vector<FinishedRun>& finished,
                             Instant updatedAt) {
    ListMirror mirror{std::move(running), {}, updatedAt};
    const std::size_t kept = std::min(finished.size(), finishedLimit);
    mirror.finished.assign(finished.begin(), finished.begin() + static_cast<std::ptrdiff_t>(kept));
    for (FinishedRun& run : mirror.finished) run.log.reset();
    return mirror;
}

ListMirror ListMirror::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "ListMirror");
    ListMirror mirror;
    for (const json::Json& row : json::requireArray(object, "running")) mirror.running.push_back(RunningRow::decode(row));
    for (const json::Json& run : json::requireArray(object, "finished")) mirror.finished.push_back(FinishedRun::decode(run));
    mirror.updatedAt = json::requireReferenceDate(object, "updatedAt");
    return mirror;
}

json::Json ListMirror::encode() const {
    json::Json object = json::Json::object();
    json::Json rows = json::Json::array();
    for (const RunningRow& row : running) rows.push_back(row.encode());
    json::Json runs = json::Json::array();
    for (const FinishedRun& run : finished) runs.push_back(run.encode());
    object["running"] = std::move(rows);
    object["finished"] = std::move(runs);
    object["updatedAt"] = json::referenceDate(updatedAt);
    return object;
}

}  // namespace quorvel
