#pragma once
// The sentence that tells the user which phone alerts go to, or why none is paired.
#include <string>
#include <string_view>

#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::PairingReport {

/// Before the first look at the phone's records.
inline constexpr std::string_view lookingForPhone = "Looking for the phone in iCloud\u2026";
/// The records hold no phone.
inline constexpr std::string_view noPhone = "No phone found in iCloud yet. Open Quorvel on the phone once.";
/// Where the desktop has no iCloud at all: no phone is ever found, and signing in is no remedy.
inline constexpr std::string_view noICloud =
    "This computer has no iCloud: alerts go to the phone whose token is pasted below.";

/// `updatedAt` as an abbreviated date and a short time in the calendar's locale.
std::string updateTimeText(Instant updatedAt, const Calendar& calendar);

/// "Sending to: " + name + " (iOS " + version + "), updated " + the update time.
std::string sendingTo(std::string_view name, std::string_view systemVersion, Instant updatedAt,
                      const Calendar& calendar);

}  // namespace quorvel::PairingReport
