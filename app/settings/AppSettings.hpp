#pragma once
// The user's preferences: when a run counts as long, which shell commands count, when the
// user counts as away, the quiet hours, the two phone-push switches and the Dock icon. Kept
// as one JSON document in the app's defaults; a stored value that can't be read gives that
// field's default and leaves the others as stored.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings/SettingDescriptor.hpp"
#include "kit/engine/StateMachineSettings.hpp"
#include "platform/Expected.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/stores/KeyValueStore.hpp"

namespace quorvel {

struct AppSettings {
    // The two timings the user may change start at the state machine's own standard values.
    std::int64_t longRunMinutes = static_cast<std::int64_t>(StateMachineSettings::standard().longRunAfter) / 60;
    std::int64_t shellMinimumSeconds = static_cast<std::int64_t>(StateMachineSettings::standard().shellCommandMinimum);
    std::int64_t awayMinutes = 3;
    /// Hour of day (0-23) at which the quiet hours begin.
    std::int64_t quietHoursStart = 23;
    /// Hour of day (0-23) at which the quiet hours end.
    std::int64_t quietHoursEnd = 7;
    bool failuresBuzzPhone = true;
    bool alwaysPushToPhone = false;
    bool showInDock = false;

    /// A missing key or null gives that field's default; a number outside its declared range
    /// is taken as it is. A value of the wrong type (or a number that isn't a whole one within
    /// 64 bits) gives that field alone its default, and its reason is added to `dropped`.
    /// Anything but an object fails the whole document (json::JsonDecodeError). Other keys
    /// are ignored.
    static AppSettings decode(const json::Json& value, std::vector<std::string>* dropped = nullptr);
    /// All eight keys, in field order.
    json::Json encode() const;

    /// The stored settings, field by field: the defaults where nothing is stored, or where a
    /// value can't be decoded (logged; the stored value is left as it is until the next save).
    static AppSettings load(const KeyValueStore& defaults);
    /// Stores the settings; on an encoding failure stores nothing and says why.
    Expected<void, json::CodingError> save(KeyValueStore& defaults) const;

    /// The state machine's timings for these settings: the long-run threshold and the shell
    /// command minimum come from here, the other four are the machine's standard ones.
    StateMachineSettings stateMachineSettings() const;

    bool operator==(const AppSettings&) const = default;
};

// The defaults above are whole minutes and seconds only while the machine's standard timings are.
static_assert(AppSettings{}.longRunMinutes * 60 == StateMachineSettings::standard().longRunAfter);
static_assert(AppSettings{}.shellMinimumSeconds == StateMachineSettings::standard().shellCommandMinimum);

/// Every setting, declared once. `all` is in field order, which is also the order of the keys
/// written; the settings column places each one in its section.
namespace settingFields {

inline constexpr SettingDescriptor longRunMinutes{
    .key = "longRunMinutes", .label = "Say STILL GRINDING after", .note = {},
    .number = &AppSettings::longRunMinutes, .lower = 1, .upper = 120, .step = 1, .unit = SettingUnit::minutes};
inline constexpr SettingDescriptor shellMinimumSeconds{
    .key = "shellMinimumSeconds", .label = "Shell commands shorter than this stay off FINISHED", .note = {},
    .number = &AppSettings::shellMinimumSeconds, .lower = 0, .upper = 600, .step = 5, .unit = SettingUnit::seconds};
// The note says whether away is used at all, so the window words it from the live settings.
inline constexpr SettingDescriptor awayMinutes{
    .key = "awayMinutes", .label = "Count me as away after", .note = {},
    .number = &AppSettings::awayMinutes, .lower = 1, .upper = 60, .step = 1, .unit = SettingUnit::minutes};
inline constexpr SettingDescriptor quietHoursStart{
    .key = "quietHoursStart", .label = "Quiet hours",
    .note = "Phone alerts go silently between these hours, except Needs you. Same hour twice turns them off.",
    .number = &AppSettings::quietHoursStart, .lower = 0, .upper = 23, .step = 1, .unit = SettingUnit::hourOfDay};
inline constexpr SettingDescriptor quietHoursEnd{
    .key = "quietHoursEnd", .label = {}, .note = {},
    .number = &AppSettings::quietHoursEnd, .lower = 0, .upper = 23, .step = 1, .unit = SettingUnit::hourOfDay};
inline constexpr SettingDescriptor failuresBuzzPhone{
    .key = "failuresBuzzPhone", .label = "Broke also buzzes the phone", .note = {},
    .flag = &AppSettings::failuresBuzzPhone};
inline constexpr SettingDescriptor alwaysPushToPhone{
    .key = "alwaysPushToPhone", .label = "Always send to the phone",
    .note = "Even while I'm typing at the computer. The phone's Settings has the same switch.",
    .flag = &AppSettings::alwaysPushToPhone};
inline constexpr SettingDescriptor showInDock{
    .key = "showInDock", .label = "Show in the taskbar",
    .note = "Also lets Alt+Tab reach the device. Off: the tray and the launcher only.",
    .flag = &AppSettings::showInDock};

inline constexpr std::array<const SettingDescriptor*, 8> all{
    &longRunMinutes, &shellMinimumSeconds, &awayMinutes,       &quietHoursStart,
    &quietHoursEnd,  &failuresBuzzPhone,   &alwaysPushToPhone, &showInDock,
};

}  // namespace settingFields

}  // namespace quorvel
