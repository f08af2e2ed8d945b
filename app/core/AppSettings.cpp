#include "app/core/AppSettings.hpp"

#include <exception>

namespace quorvel {

AppSettings AppSettings::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "settings");
    AppSettings settings;
    settings.longRunMinutes = json::optionalInt(object, "longRunMinutes").value_or(settings.longRunMinutes);
    settings.shellMinimumSeconds =
        json::optionalInt(object, "shellMinimumSeconds").value_or(settings.shellMinimumSeconds);
    settings.awayMinutes = json::optionalInt(object, "awayMinutes").value_or(settings.awayMinutes);
    settings.quietHoursStart = json::optionalInt(object, "quietHoursStart").value_or(settings.quietHoursStart);
    settings.quietHoursEnd = json::optionalInt(object, "quietHoursEnd").value_or(settings.quietHoursEnd);
    settings.failuresBuzzPhone =
        json::optionalBool(object, "failuresBuzzPhone").value_or(settings.failuresBuzzPhone);
    settings.alwaysPushToPhone =
        json::optionalBool(object, "alwaysPushToPhone").value_or(settings.alwaysPushToPhone);
    settings.showInDock = json::optionalBool(object, "showInDock").value_or(settings.showInDock);
    return settings;
}

json::Json AppSettings::encode() const {
    json::Json object = json::Json::object();
    object["longRunMinutes"] = longRunMinutes;
    object["shellMinimumSeconds"] = shellMinimumSeconds;
    object["awayMinutes"] = awayMinutes;
    object["quietHoursStart"] = quietHoursStart;
    object["quietHoursEnd"] = quietHoursEnd;
    object["failuresBuzzPhone"] = failuresBuzzPhone;
    object["alwaysPushToPhone"] = alwaysPushToPhone;
    object["showInDock"] = showInDock;
    return object;
}

AppSettings AppSettings::load(const KeyValueStore& defaults) {
    const std::optional<json::Json> stored = defaults.jsonValue(storageKey);
    if (!stored) return {};
    try {
        return decode(*stored);
    } catch (const std::exception&) {
        return {};
    }
}

Expected<void, json::CodingError> AppSettings::save(KeyValueStore& defaults) const {
    json::Json document;
    try {
        document = encode();
    } catch (const std::exception& error) {
        return unexpected(json::CodingError{error.what()});
    }
    defaults.setJson(storageKey, document);
    return {};
}

StateMachineSettings AppSettings::stateMachineSettings() const {
    StateMachineSettings derived = StateMachineSettings::standard();
    derived.longRunAfter = static_cast<double>(longRunMinutes) * 60.0;
    derived.staleAfter = 1800;
    derived.backgroundSafetyNetAfter = 600;
    derived.shellCommandMinimum = static_cast<double>(shellMinimumSeconds);
    derived.doneLingers = 900;
    derived.brokeWindow = 120;
    return derived;
}

}  // namespace quorvel
