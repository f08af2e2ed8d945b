#pragma once
// The user's preferences: when a run counts as long, which shell commands count, when the
// user counts as away, the quiet hours, the two phone-push switches and the Dock icon. Kept
// as one JSON document in the app's defaults; a stored document that can't be read gives the
// defaults for every field, never a mix.
#include <cstdint>
#include <string_view>

#include "kit/engine/StateMachineSettings.hpp"
#include "platform/Expected.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/KeyValueStore.hpp"

namespace quorvel {

struct AppSettings {
    /// The defaults key of the stored document.
    static constexpr std::string_view storageKey = "appSettings";

    std::int64_t longRunMinutes = 10;
    std::int64_t shellMinimumSeconds = 10;
    std::int64_t awayMinutes = 3;
    /// Hour of day (0-23) at which the quiet hours begin.
    std::int64_t quietHoursStart = 23;
    /// Hour of day (0-23) at which the quiet hours end.
    std::int64_t quietHoursEnd = 7;
    bool failuresBuzzPhone = true;
    bool alwaysPushToPhone = false;
    bool showInDock = false;

    /// A missing key or null gives that field's default; a value of the wrong type fails the
    /// whole document (json::JsonDecodeError). Other keys are ignored.
    static AppSettings decode(const json::Json& value);
    /// All eight keys, in field order.
    json::Json encode() const;

    /// The stored settings, or the defaults when there are none or they can't be decoded
    /// (the stored value is left as it is until the next save).
    static AppSettings load(const KeyValueStore& defaults);
    /// Stores the settings; on an encoding failure stores nothing and says why.
    Expected<void, json::CodingError> save(KeyValueStore& defaults) const;

    /// The state machine's timings for these settings: the long-run threshold and the shell
    /// command minimum come from here, the other four are fixed.
    StateMachineSettings stateMachineSettings() const;

    bool operator==(const AppSettings&) const = default;
};

}  // namespace quorvel
