#pragma once
// One row of the FINISHED list: an agent run or a shell command that has ended.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kit/engine/RecordFields.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct FinishedRun {
    enum class Chip { claude, shell };

    /// One day's runs under its heading ("TODAY", "YESTERDAY" or a date).
    struct DayGroup {
        std::string label;
        std::vector<FinishedRun> runs;
        bool operator==(const DayGroup&) const = default;
    };

    Chip chip = Chip::claude;
    /// Run title or shell command text; may be empty.
    std::string title;
    /// Seconds, when known.
    std::optional<double> duration;
    /// True for a normal finish, false for a failure or a crash.
    bool ok = true;
    std::optional<std::string> project;
    std::string sessionID;
    Instant finishedAt;
    /// The kept failure output of a failed shell command.
    std::optional<std::string> log;

    /// The runs newest first (stable for equal times), grouped by calendar day in `calendar`.
    static std::vector<DayGroup> groupedByDay(const std::vector<FinishedRun>& runs, Instant now,
                                              const Calendar& calendar);

    /// JSON form (`finishedRunFields`): keys equal the field names, `finishedAt` in seconds
    /// since 2001.
    static FinishedRun decode(const json::Json& value);
    json::Json encode() const;

    bool operator==(const FinishedRun&) const = default;
};

/// "claude" or "shell".
constexpr std::string_view rawValue(FinishedRun::Chip chip) {
    return chip == FinishedRun::Chip::shell ? "shell" : "claude";
}

/// The chip named exactly `name`; absent for any other text.
constexpr std::optional<FinishedRun::Chip> chipFromRawValue(std::string_view name) {
    if (name == "claude") return FinishedRun::Chip::claude;
    if (name == "shell") return FinishedRun::Chip::shell;
    return std::nullopt;
}

/// The two-letter chip text: "CC" for an agent run, "SH" for a shell command.
constexpr std::string_view label(FinishedRun::Chip chip) {
    return chip == FinishedRun::Chip::shell ? "SH" : "CC";
}

/// Every field of a finished run as it is saved, in the order of its keys. A field the lists
/// already stored (and the phone's copy) lack is optional.
inline constexpr auto finishedRunFields = std::tuple{
    enumField("chip", &FinishedRun::chip, chipFromRawValue),
    recordField("title", &FinishedRun::title),
    recordField("duration", &FinishedRun::duration),
    recordField("ok", &FinishedRun::ok),
    recordField("project", &FinishedRun::project),
    recordField("sessionID", &FinishedRun::sessionID),
    recordField("finishedAt", &FinishedRun::finishedAt),
    recordField("log", &FinishedRun::log),
};
static_assert(declaresEveryMember<FinishedRun>(finishedRunFields),
              "every member of FinishedRun has its line in finishedRunFields");

}  // namespace quorvel
