#include "app/core/AppSettings.hpp"

#include <exception>

namespace quorvel {

AppSettings AppSettings::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "settings");
    AppSettings settings;
    for (const SettingDescriptor* setting : settingFields::all) {
        if (setting->number) {
            if (const auto stored = json::optionalInt(object, setting->key)) settings.*setting->number = setting->clamped(*stored);
        } else if (const auto stored = json::optionalBool(object, setting->key)) {
            settings.*setting->flag = *stored;
        }
    }
    return settings;
}

json::Json AppSettings::encode() const {
    json::Json object = json::Json::object();
    for (const SettingDescriptor* setting : settingFields::all) {
        const std::string key(setting->key);
        if (setting->number) object[key] = this->*setting->number;
        else object[key] = this->*setting->flag;
    }
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
