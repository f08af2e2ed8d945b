#pragma once
// Every user-visible text that depends on a session's state or is shared between the device,
// the strip, banners, pushes and the phone. Pure: whatever needs the time takes `now`.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kit/engine/SessionState.hpp"
#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::CopyBook {

struct Headline {
    std::string line1;
    std::string line2;

    /// line1 + " " + line2, for banners and push titles.
    std::string oneLine() const { return line1 + " " + line2; }

    bool operator==(const Headline&) const = default;
};

inline constexpr std::string_view seenIt = "SEEN IT";
inline constexpr std::string_view separator = " \u00B7 ";
inline const Headline mutedHeadline{"SHH.", "STILL WATCHING."};
inline constexpr std::string_view noTerminals = "no terminals";
inline constexpr std::string_view brokeLabel = "BROKE";
inline constexpr std::string_view finishedEmpty = "NOTHING PLAYED YET. RUN SOMETHING.";
inline constexpr std::string_view runningEmpty = "nothing running. go start something.";
inline constexpr std::string_view phoneRunningSubtitle = "live terminals on your mac \u00B7 newest first";
inline constexpr std::string_view phoneRunningEmpty =
    "all quiet. start claude code in any terminal and it shows up here.";
inline constexpr std::string_view phoneFinishedEmpty =
    "nothing finished yet. runs land here when claude stops.";
inline constexpr std::string_view clearFinishedConfirm = "clear finished? this can't be undone.";
inline constexpr std::string_view phoneSettingsNote =
    "volume, sounds on or off and quiet hours live on the mac. this phone just plays what it is sent.";
inline constexpr std::string_view testPushTitle = "TEST. ALL GOOD.";
inline constexpr std::string_view testPushBody = "the mac can reach this phone.";
inline constexpr std::string_view backgroundNote = "still running in background";
inline constexpr std::string_view crashFallback = "Something went wrong";
/// Beside the phone token field when what was typed or pasted is no device token.
inline constexpr std::string_view phoneTokenRefused =
    "That doesn't look like a phone token: phone tokens are made only of the digits 0-9 and the letters a-f.";
/// The push line when the stored phone token is no device token, so nothing was sent.
inline constexpr std::string_view testPushBadToken =
    "Not sent: the phone token doesn't look like one. Paste it again from the phone.";

/// The two-line headline of a state.
Headline headline(const SessionState& state);

/// The short state label ("GRINDING", "DONE", ...); empty for idle.
std::string stateChip(const SessionState& state);

/// The detail line of a state: its parts joined with the separator; absent for idle.
std::optional<std::string> detail(const SessionState& state, Instant now,
                                  const std::optional<std::string>& project);

/// Title and detail of a row (or the screen) for a state.
struct RowText {
    std::string title;
    std::optional<std::string> detail;
    bool operator==(const RowText&) const = default;
};
RowText rowText(const SessionState& state, Instant now);

/// Short crash reason for the error type of a failed stop (exact, case-sensitive match).
std::string crashReason(const std::optional<std::string>& errorType);

/// "watching 1 terminal", "watching 2 terminals".
std::string watching(std::int64_t count);

/// The last line of a session list that leaves `count` sessions out: "AND 3 MORE.", the
/// count in plain decimal. It says no more than that: those left out are the ones that need
/// the user least, not the oldest.
std::string moreSessions(std::size_t count);

/// The present, non-empty parts in order joined with the separator; "" when none is left.
std::string joined(const std::vector<std::optional<std::string>>& parts);

/// Time of a finished run: the time of day on the same calendar day as `now`, else the
/// abbreviated weekday and the time of day (hours in the locale's 12- or 24-hour convention,
/// without an AM/PM marker).
std::string finishedTime(Instant time, Instant now, const Calendar& calendar);
std::string finishedTime(Instant time, Instant now);

/// `text` and the finished time, joined.
std::string finishedLine(const std::string& text, Instant time, Instant now, const Calendar& calendar);
std::string finishedLine(const std::string& text, Instant time, Instant now);

/// "TODAY", "YESTERDAY", or the upper-cased abbreviated weekday, day and month without commas.
std::string dayLabel(Instant time, Instant now, const Calendar& calendar);

}  // namespace quorvel::CopyBook
