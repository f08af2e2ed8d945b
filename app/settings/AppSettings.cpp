#include "app/settings/AppSettings.hpp"

#include <exception>

#include "kit/engine/Quorvel.hpp"
#include "kit/engine/StoredDefaults.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {

AppSettings AppSettings::decode(const json::Json& value, std::vector<std::string>* dropped) {
    const json::Json& object = json::requireObject(value, "settings");
    AppSettings settings;
    for (const SettingDescriptor* setting : settingFields::all) {
        // The ranges bound what the window offers; a stored number beyond them is the user's
        // (or an older build's) choice and is kept, so the next save doesn't rewrite it.
        try {
            if (setting->number) {
                if (const auto stored = json::optionalInt(object, setting->key)) settings.*setting->number = *stored;
            } else if (const auto stored = json::optionalBool(object, setting->key)) {
                settings.*setting->flag = *stored;
            }
        } catch (const json::JsonDecodeError& error) {
            if (dropped) dropped->push_back(error.what());
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
    const std::optional<json::Json> stored = defaults.value(StoredDefaults::appSettings);
    if (!stored) return {};
    const Logger logger(Quorvel::macBundleID, "Settings");
    try {
        std::vector<std::string> dropped;
        AppSettings settings = decode(*stored, &dropped);
        for (const std::string& problem : dropped) {
            logger.error("A stored setting couldn't be read and is back at its default: " + problem);
        }
        return settings;
    } catch (const std::exception& error) {
        logger.error(std::string("The stored settings couldn't be read; using the defaults: ") + error.what());
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
    defaults.set(StoredDefaults::appSettings, document);
    return {};
}

StateMachineSettings AppSettings::stateMachineSettings() const {
    StateMachineSettings derived = StateMachineSettings::standard();
    derived.longRunAfter = static_cast<double>(longRunMinutes) * 60.0;
    derived.shellCommandMinimum = static_cast<double>(shellMinimumSeconds);
    return derived;
}

}  // namespace quorvel
