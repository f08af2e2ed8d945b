#pragma once
// How one user setting is declared: its stored key, the texts of its row, its range and the
// field that holds it. The stored document, the settings column and its refresh are all
// driven from these declarations, so a setting's key, label and range are written once.
#include <algorithm>
#include <cstdint>
#include <string_view>

namespace quorvel {

struct AppSettings;

/// How a number is shown beside its stepper.
enum class SettingUnit { minutes, seconds, hourOfDay };

struct SettingDescriptor {
    /// The JSON key of the stored document, also the name of the setting's control.
    std::string_view key;
    /// The row's name; empty when the setting shares the row of the one before it.
    std::string_view label;
    /// The row's fixed note; empty for none (or a note the window words from live state).
    std::string_view note;
    /// Exactly one of these is set: a number stepped within [lower, upper], or a switch. The
    /// range bounds what the window offers; a stored number outside it is used as it is.
    std::int64_t AppSettings::*number = nullptr;
    bool AppSettings::*flag = nullptr;
    std::int64_t lower = 0;
    std::int64_t upper = 0;
    std::int64_t step = 1;
    SettingUnit unit = SettingUnit::minutes;

    /// `value` brought into the range (numbers only).
    constexpr std::int64_t clamped(std::int64_t value) const { return std::clamp(value, lower, upper); }
};

}  // namespace quorvel
