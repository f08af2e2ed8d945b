#include "platform/Calendar.hpp"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include <unicode/calendar.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

namespace quorvel {
namespace {

icu::Locale localeOf(const Calendar& calendar) {
    icu::Locale locale(calendar.locale.c_str());
    UErrorCode status = U_ZERO_ERROR;
    locale.setKeywordValue("calendar", calendar.identifier.c_str(), status);
    return locale;
}

std::unique_ptr<icu::Calendar> makeCalendar(const Calendar& calendar) {
    UErrorCode status = U_ZERO_ERROR;
    icu::TimeZone* zone = icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(calendar.timeZone));
    std::unique_ptr<icu::Calendar> result(icu::Calendar::createInstance(zone, localeOf(calendar), status));
    if (U_FAILURE(status)) return nullptr;
    result->setLenient(true);
    return result;
}

// The pattern ICU picks for a skeleton in a locale. Making a pattern generator loads the
// locale's data and is far dearer than formatting, and views write times out on every paint:
// each locale and skeleton is looked up once per process. Any thread.
std::optional<icu::UnicodeString> bestPattern(const icu::Locale& locale, std::string_view skeleton) {
    static std::mutex lock;
    static std::map<std::pair<std::string, std::string>, icu::UnicodeString> patterns;
    const std::pair<std::string, std::string> key(locale.getName(), std::string(skeleton));
    {
        const std::lock_guard<std::mutex> held(lock);
        if (const auto found = patterns.find(key); found != patterns.end()) return found->second;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status)) return std::nullopt;
    const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString::fromUTF8(key.second), status);
    if (U_FAILURE(status)) return std::nullopt;
    const std::lock_guard<std::mutex> held(lock);
    patterns.emplace(key, pattern);
    return pattern;
}

// ICU counts milliseconds; an instant it cannot hold is refused rather than wrapped.
std::optional<UDate> udateOf(Instant instant) {
    const double milliseconds = instant.unixSeconds() * 1000.0;
    if (!std::isfinite(milliseconds)) return std::nullopt;
    return milliseconds;
}

std::unique_ptr<icu::Calendar> calendarAt(const Calendar& calendar, Instant instant) {
    auto date = udateOf(instant);
    if (!date) return nullptr;
    auto result = makeCalendar(calendar);
    if (!result) return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    result->setTime(*date, status);
    if (U_FAILURE(status)) return nullptr;
    return result;
}

std::optional<std::int32_t> fieldAt(const Calendar& calendar, Instant instant, UCalendarDateFields field) {
    auto at = calendarAt(calendar, instant);
    if (!at) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    const std::int32_t value = at->get(field, status);
    if (U_FAILURE(status)) return std::nullopt;
    return value;
}

}  // namespace

Calendar Calendar::current() {
    Calendar result;
    const icu::Locale& locale = icu::Locale::getDefault();
    result.locale = locale.getName();
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::detectHostTimeZone());
    if (zone) {
        icu::UnicodeString identifier;
        zone->getID(identifier);
        result.timeZone.clear();
        identifier.toUTF8String(result.timeZone);
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(locale, status));
    if (U_SUCCESS(status) && calendar) result.identifier = calendar->getType();
    return result;
}

bool Calendar::isSameDay(Instant first, Instant second) const {
    // The Julian day field counts local days, so it is the same for two instants exactly
    // when they share a calendar day in this time zone.
    auto firstDay = fieldAt(*this, first, UCAL_JULIAN_DAY);
    auto secondDay = fieldAt(*this, second, UCAL_JULIAN_DAY);
    return firstDay && secondDay && *firstDay == *secondDay;
}

std::optional<Instant> Calendar::addingDays(Instant instant, int days) const {
    auto at = calendarAt(*this, instant);
    if (!at) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    at->add(UCAL_DATE, days, status);
    if (U_FAILURE(status)) return std::nullopt;
    const UDate moved = at->getTime(status);
    if (U_FAILURE(status)) return std::nullopt;
    return Instant::fromUnixSeconds(moved / 1000.0);
}

std::optional<int> Calendar::hourOfDay(Instant instant) const {
    return fieldAt(*this, instant, UCAL_HOUR_OF_DAY);
}

std::string Calendar::format(Instant instant, std::string_view skeleton) const {
    auto date = udateOf(instant);
    auto calendar = makeCalendar(*this);
    if (!date || !calendar) return {};
    const icu::Locale locale = localeOf(*this);
    const std::optional<icu::UnicodeString> pattern = bestPattern(locale, skeleton);
    if (!pattern) return {};
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat formatter(*pattern, locale, status);
    if (U_FAILURE(status)) return {};
    formatter.setCalendar(*calendar);
    icu::UnicodeString formatted;
    formatter.format(*date, formatted);
    std::string result;
    formatted.toUTF8String(result);
    return result;
}

}  // namespace quorvel
