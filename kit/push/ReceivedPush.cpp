#include "kit/push/ReceivedPush.hpp"

#include "platform/SecureRandom.hpp"

namespace quorvel {

namespace {

/// The member when `object` is an object holding one of that type; null otherwise.
const json::Json* memberOf(const json::Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> textMember(const json::Json& object, const char* key) {
    const json::Json* member = memberOf(object, key);
    if (member == nullptr || !member->is_string()) return std::nullopt;
    return member->get<std::string>();
}

}  // namespace

std::optional<ReceivedPush> ReceivedPush::fromUserInfo(const json::Json& userInfo, Instant receivedAt) {
    const json::Json* custom = memberOf(userInfo, "quorvel");
    if (custom == nullptr || !custom->is_object()) return std::nullopt;
    std::optional<std::string> state = textMember(*custom, "state");
    std::optional<Alert::Kind> kind = state ? alertKindFromRawValue(*state) : std::nullopt;
    if (!kind) return std::nullopt;
    std::optional<std::string> session = textMember(*custom, "session");
    if (!session) return std::nullopt;

    ReceivedPush push;
    push.id = random::makeUuidString();
    push.kind = *kind;
    push.sessionID = std::move(*session);
    push.receivedAt = receivedAt;
    if (const json::Json* aps = memberOf(userInfo, "aps")) {
        if (const json::Json* alert = memberOf(*aps, "alert"); alert != nullptr && alert->is_object()) {
            push.title = textMember(*alert, "title").value_or("");
            push.body = textMember(*alert, "body").value_or("");
        }
    }
    if (const json::Json* run = memberOf(*custom, "run"); run != nullptr && run->is_object()) {
        push.project = textMember(*run, "project");
        push.runTitle = textMember(*run, "title");
        if (const json::Json* duration = memberOf(*run, "duration"); duration != nullptr && duration->is_number()) {
            push.duration = duration->get<double>();
        }
    }
    return push;
}

ReceivedPush ReceivedPush::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "ReceivedPush");
    ReceivedPush push;
    push.id = json::requireString(object, "id");
    push.kind = decodeAlertKind(json::requireMember(object, "kind"));
    push.sessionID = json::requireString(object, "sessionID");
    push.title = json::requireString(object, "title");
    push.body = json::requireString(object, "body");
    push.receivedAt = json::requireReferenceDate(object, "receivedAt");
    push.project = json::optionalString(object, "project");
    push.runTitle = json::optionalString(object, "runTitle");
    push.duration = json::optionalDouble(object, "duration");
    return push;
}

json::Json ReceivedPush::encode() const {
    json::Json object = json::Json::object();
    object["id"] = json::string(id);
    object["kind"] = std::string(rawValue(kind));
    object["sessionID"] = json::string(sessionID);
    object["title"] = json::string(title);
    object["body"] = json::string(body);
    object["receivedAt"] = json::referenceDate(receivedAt);
    json::putOptional(object, "project", project);
    json::putOptional(object, "runTitle", runTitle);
    json::putOptional(object, "duration", duration);
    return object;
}

}  // namespace quorvel
