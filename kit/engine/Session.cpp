#include "kit/engine/Session.hpp"

namespace quorvel {

std::optional<std::string> Session::project() const {
    if (!cwd) return std::nullopt;
    const std::string& path = *cwd;
    // Trailing separators are not a component: "/a/b/" names "b", "/" names nothing.
    const std::size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) return std::nullopt;
    const std::size_t slash = path.rfind('/', end);
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(start, end + 1 - start);
}

Session::ShellFailure Session::ShellFailure::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "ShellFailure");
    return ShellFailure{json::requireString(object, "command"), json::optionalInt(object, "exitCode"),
                        json::requireReferenceDate(object, "at")};
}

json::Json Session::ShellFailure::encode() const {
    json::Json object = json::Json::object();
    object["command"] = json::string(command);
    json::putOptional(object, "exitCode", exitCode);
    object["at"] = json::referenceDate(at);
    return object;
}

Session Session::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "Session");
    Session session;
    session.id = json::requireString(object, "id");
    session.number = json::requireInt(object, "number");
    session.termProgram = json::optionalString(object, "termProgram");
    session.cwd = json::optionalString(object, "cwd");
    session.state = SessionState::decode(json::requireMember(object, "state"));
    if (const json::Json* run = json::optionalMember(object, "run"); run && !run->is_null()) {
        session.run = Run::decode(*run);
    }
    session.lastEventAt = json::requireReferenceDate(object, "lastEventAt");
    session.waitingOnBackgroundSince = json::optionalReferenceDate(object, "waitingOnBackgroundSince");
    if (const json::Json* failure = json::optionalMember(object, "unrecoveredFailure"); failure && !failure->is_null()) {
        session.unrecoveredFailure = ShellFailure::decode(*failure);
    }
    return session;
}

json::Json Session::encode() const {
    json::Json object = json::Json::object();
    object["id"] = json::string(id);
    object["number"] = number;
    json::putOptional(object, "termProgram", termProgram);
    json::putOptional(object, "cwd", cwd);
    object["state"] = state.encode();
    if (run) object["run"] = run->encode();
    object["lastEventAt"] = json::referenceDate(lastEventAt);
    json::putOptionalReferenceDate(object, "waitingOnBackgroundSince", waitingOnBackgroundSince);
    if (unrecoveredFailure) object["unrecoveredFailure"] = unrecoveredFailure->encode();
    return object;
}

}  // namespace quorvel
