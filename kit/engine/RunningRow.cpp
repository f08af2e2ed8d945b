#include "kit/engine/RunningRow.hpp"

namespace quorvel {

bool RunningRow::isFailure() const {
    return state.is(SessionState::Kind::broke) || state.is(SessionState::Kind::crashed);
}

double RunningRow::elapsed(Instant now) const {
    if (duration) return *duration;
    const double since = now.secondsSince(startedAt);
    return since > 0 ? since : 0;
}

RunningRow RunningRow::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "RunningRow");
    RunningRow row;
    row.id = json::requireString(object, "id");
    row.project = json::optionalString(object, "project");
    row.title = json::requireString(object, "title");
    row.state = SessionState::decode(json::requireMember(object, "state"));
    row.startedAt = json::requireReferenceDate(object, "startedAt");
    row.duration = json::optionalDouble(object, "duration");
    row.onScreen = json::requireBool(object, "onScreen");
    return row;
}

json::Json RunningRow::encode() const {
    json::Json object = json::Json::object();
    object["id"] = json::string(id);
    json::putOptional(object, "project", project);
    object["title"] = json::string(title);
    object["state"] = state.encode();
    object["startedAt"] = json::referenceDate(startedAt);
    json::putOptional(object, "duration", duration);
    object["onScreen"] = onScreen;
    return object;
}

}  // namespace quorvel
