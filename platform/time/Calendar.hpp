#pragma once
// Calendar arithmetic and locale-aware date text, with the calendar system, time zone and
// locale passed in as values: results never depend on the process's own settings unless the
// caller asks for them with `Calendar::current()`.
#include <optional>
#include <string>
#include <string_view>

#include "platform/time/Instant.hpp"

namespace quorvel {

struct Calendar {
    /// Calendar system as ICU names it ("gregorian", "buddhist", ...).
    std::string identifier = "gregorian";
    /// Olson time zone identifier ("Europe/Berlin", "UTC").
    std::string timeZone = "UTC";
    /// Locale identifier ("en_US", "de_DE").
    std::string locale = "en_US";

    /// The user's calendar: the default locale's calendar system, the host's time zone.
    static Calendar current();

    /// True when both instants fall on the same calendar day (in `timeZone`).
    bool isSameDay(Instant first, Instant second) const;

    /// `instant` moved by whole calendar days (the wall-clock time kept where it exists);
    /// absent when the calendar cannot compute it.
    std::optional<Instant> addingDays(Instant instant, int days) const;

    /// Hour of the day, 0-23; absent when the calendar cannot compute it.
    std::optional<int> hourOfDay(Instant instant) const;

    /// `instant` in the locale's best pattern for an ICU skeleton ("EEEdMMM", "JJmm"); empty
    /// when it cannot be formatted.
    std::string format(Instant instant, std::string_view skeleton) const;

    bool operator==(const Calendar&) const = default;
};

}  // namespace quorvel
