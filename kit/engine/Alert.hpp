#pragma once
// What the user is told about one session.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "kit/engine/CopyBook.hpp"
#include "kit/engine/Sound.hpp"
#include "platform/json/JsonCoding.hpp"

namespace quorvel {

struct Alert {
    enum class Kind { done, needsYou, broke, crashed, longRun };

    Kind kind = Kind::done;
    std::string sessionID;
    /// Headline of the session's new state.
    CopyBook::Headline headline;
    std::optional<std::string> detail;
    std::optional<std::string> project;
    std::optional<std::string> runTitle;
    /// Seconds; only for a done alert, and only when the run's length is known.
    std::optional<double> duration;

    bool operator==(const Alert&) const = default;
};

inline constexpr std::array<Alert::Kind, 5> allAlertKinds{
    Alert::Kind::done, Alert::Kind::needsYou, Alert::Kind::broke, Alert::Kind::crashed,
    Alert::Kind::longRun};

/// The case name: "done", "needsYou", "broke", "crashed", "longRun".
constexpr std::string_view rawValue(Alert::Kind kind) {
    switch (kind) {
        case Alert::Kind::done: return "done";
        case Alert::Kind::needsYou: return "needsYou";
        case Alert::Kind::broke: return "broke";
        case Alert::Kind::crashed: return "crashed";
        case Alert::Kind::longRun: return "longRun";
    }
    return "done";
}

/// The kind named exactly `name` (case-sensitive); absent for any other text.
constexpr std::optional<Alert::Kind> alertKindFromRawValue(std::string_view name) {
    for (Alert::Kind kind : allAlertKinds) {
        if (rawValue(kind) == name) return kind;
    }
    return std::nullopt;
}

/// A kind from its JSON form, its raw string; an unknown string throws JsonDecodeError.
Alert::Kind decodeAlertKind(const json::Json& value);

/// The sound of an alert kind: the sound at the kind's position (done fanfare, needs you
/// alarm, broke buzz, crashed powerdown, long run tick).
constexpr Sound soundFor(Alert::Kind kind) { return allSounds[static_cast<std::size_t>(kind)]; }

}  // namespace quorvel
