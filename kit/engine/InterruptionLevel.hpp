#pragma once
// How strongly a push may interrupt the phone's user.
#include <optional>
#include <string_view>

namespace quorvel::PushPayloads {

enum class InterruptionLevel { passive, active, timeSensitive };

/// "passive", "active", "time-sensitive".
constexpr std::string_view rawValue(InterruptionLevel level) {
    switch (level) {
        case InterruptionLevel::passive: return "passive";
        case InterruptionLevel::active: return "active";
        case InterruptionLevel::timeSensitive: return "time-sensitive";
    }
    return "active";
}

/// The level whose raw string is exactly `text` (case-sensitive); absent otherwise.
constexpr std::optional<InterruptionLevel> interruptionLevelFromRawValue(std::string_view text) {
    for (InterruptionLevel level : {InterruptionLevel::passive, InterruptionLevel::active,
                                    InterruptionLevel::timeSensitive}) {
        if (rawValue(level) == text) return level;
    }
    return std::nullopt;
}

}  // namespace quorvel::PushPayloads
