#pragma once
// The device's physical controls: the volume fader and three pads.
#include <optional>
#include <string>

#include "platform/json/JsonCoding.hpp"

namespace quorvel {

struct DeviceControls {
    /// Playback volume of the alert sounds, 0 to 1.
    double volume = 0.82;
    /// When off, done, needs-you and crashed alerts are not pushed to the phone.
    bool claude = true;
    /// When off, broke alerts are not pushed to the phone.
    bool shell = true;
    /// When on, done alerts are not pushed to the phone.
    bool failsOnly = false;

    /// The default controls: volume 0.82, claude and shell on, fails-only off.
    static constexpr DeviceControls standard() { return {}; }

    /// Needs all four keys ("volume", "claude", "shell", "failsOnly"); a missing key or a
    /// wrong type throws json::JsonDecodeError. A stored volume outside 0…1 is clamped.
    static DeviceControls decode(const json::Json& value);
    /// The four keys in the order volume, claude, shell, failsOnly.
    json::Json encode() const;

    /// The controls stored as JSON text; the default controls when there is nothing stored or
    /// it does not decode (a record missing one key comes back whole default, never mixed).
    static DeviceControls fromStoredData(const std::optional<std::string>& data);

    bool operator==(const DeviceControls&) const = default;
};

}  // namespace quorvel
