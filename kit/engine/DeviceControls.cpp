#include "kit/engine/DeviceControls.hpp"

#include <algorithm>
#include <cmath>

namespace quorvel {

DeviceControls DeviceControls::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "DeviceControls");
    DeviceControls controls;
    const double volume = json::requireDouble(object, "volume");
    // A volume outside the fader's range would play distorted or fail in the player; keep it
    // on the fader.
    controls.volume = std::isnan(volume) ? standard().volume : std::clamp(volume, 0.0, 1.0);
    controls.claude = json::requireBool(object, "claude");
    controls.shell = json::requireBool(object, "shell");
    controls.failsOnly = json::requireBool(object, "failsOnly");
    return controls;
}

json::Json DeviceControls::encode() const {
    json::Json object = json::Json::object();
    object["volume"] = json::number(volume);
    object["claude"] = claude;
    object["shell"] = shell;
    object["failsOnly"] = failsOnly;
    return object;
}

DeviceControls DeviceControls::fromStoredData(const std::optional<std::string>& data) {
    if (!data) return standard();
    auto decoded = json::decodeJson<DeviceControls>(*data);
    return decoded ? *decoded : standard();
}

}  // namespace quorvel
