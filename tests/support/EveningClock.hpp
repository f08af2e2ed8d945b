#pragma once
// The moment and calendar the tests read times of day in, and the one way ICU's English
// times may differ between versions of its data.
#include <string>

#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::testing {

/// 2025-01-05 21:41:00 UTC: "9:41 PM" in `utcEnglish`.
inline const Instant evening = Instant::fromUnixSeconds(1736113260);
/// Gregorian, UTC, American English.
inline const Calendar utcEnglish{"gregorian", "UTC", "en_US"};

/// `text` with the narrow no-break space that recent ICU data writes before AM/PM made a
/// plain space; either is the locale's own rendering.
inline std::string plainSpaces(std::string text) {
    for (std::size_t at; (at = text.find("\u202F")) != std::string::npos;) text.replace(at, 3, " ");
    return text;
}

}  // namespace quorvel::testing
