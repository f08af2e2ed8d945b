#include "platform/time/Calendar.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
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
// locale's data and is far dearer than formatting.
std::optional<icu::UnicodeString> bestPattern(const icu::Locale& locale, std::string_view skeleton) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status)) return std::nullopt;
    const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString::fromUTF8(skeleton), status);
    if (U_FAILURE(status)) return std::nullopt;
    return pattern;
}

// ICU calendars and formatters, made once per calendar value (and skeleton) for the process:
// making one loads zone and locale data, dearer by far than what is asked of it, and views ask
// for days and times on every paint. ICU objects keep the time they were last set to, so each
// is used only under the lock. Any thread.
class IcuObjects {
public:
    static IcuObjects& shared() {
        static IcuObjects objects;
        return objects;
    }

    /// Runs `use` with the calendar for `calendar` under the lock; false when ICU cannot make it.
    template <typename Use>
    bool withCalendar(const Calendar& calendar, Use&& use) {
        const std::lock_guard<std::mutex> held(lock_);
        icu::Calendar* made = calendarFor(calendar);
        if (made == nullptr) return false;
        use(*made);
        return true;
    }

    /// Runs `use` with the formatter for `calendar` and `skeleton` under the lock.
    template <typename Use>
    bool withFormatter(const Calendar& calendar, std::string_view skeleton, Use&& use) {
        const std::lock_guard<std::mutex> held(lock_);
        const std::string key = keyOf(calendar) + '\n' + std::string(skeleton);
        auto found = formatters_.find(key);
        if (found == formatters_.end()) {
            std::unique_ptr<icu::SimpleDateFormat> made = makeFormatter(calendar, skeleton);
            if (!made) return false;
            if (formatters_.size() >= keptObjects) formatters_.clear();
            found = formatters_.emplace(key, std::move(made)).first;
        }
        use(*found->second);
        return true;
    }

private:
    // Callers use a handful of calendars; a stream of distinct ones must not grow this unbounded.
    static constexpr std::size_t keptObjects = 64;

    static std::string keyOf(const Calendar& calendar) {
        return calendar.identifier + '\n' + calendar.timeZone + '\n' + calendar.locale;
    }

    icu::Calendar* calendarFor(const Calendar& calendar) {
        const std::string key = keyOf(calendar);
        auto found = calendars_.find(key);
        if (found == calendars_.end()) {
            std::unique_ptr<icu::Calendar> made = makeCalendar(calendar);
            if (!made) return nullptr;
            if (calendars_.size() >= keptObjects) calendars_.clear();
            found = calendars_.emplace(key, std::move(made)).first;
        }
        return found->second.get();
    }

    static std::unique_ptr<icu::SimpleDateFormat> makeFormatter(const Calendar& calendar, std::string_view skeleton) {
        const icu::Locale locale = localeOf(calendar);
        const std::optional<icu::UnicodeString> pattern = bestPattern(locale, skeleton);
        std::unique_ptr<icu::Calendar> zoned = makeCalendar(calendar);
        if (!pattern || !zoned) return nullptr;
        UErrorCode status = U_ZERO_ERROR;
        auto formatter = std::make_unique<icu::SimpleDateFormat>(*pattern, locale, status);
        if (U_FAILURE(status)) return nullptr;
        formatter->adoptCalendar(zoned.release());
        return formatter;
    }

    std::mutex lock_;
    std::map<std::string, std::unique_ptr<icu::Calendar>> calendars_;
    std::map<std::string, std::unique_ptr<icu::SimpleDateFormat>> formatters_;
};

// ICU counts milliseconds; an instant it cannot hold is refused rather than wrapped.
std::optional<UDate> udateOf(Instant instant) {
    const double milliseconds = instant.unixSeconds() * 1000.0;
    if (!std::isfinite(milliseconds)) return std::nullopt;
    return milliseconds;
}

std::optional<std::int32_t> fieldAt(const Calendar& calendar, Instant instant, UCalendarDateFields field) {
    const auto date = udateOf(instant);
    if (!date) return std::nullopt;
    std::optional<std::int32_t> value;
    IcuObjects::shared().withCalendar(calendar, [&](icu::Calendar& at) {
        UErrorCode status = U_ZERO_ERROR;
        at.setTime(*date, status);
        const std::int32_t read = at.get(field, status);
        if (U_SUCCESS(status)) value = read;
    });
    return value;
}

// What the host's time zone is detected from: its environment variable and the zone files.
// Detecting reads and may compare whole zone files, so it is done again only when these change.
std::string hostZoneSource() {
    std::string source;
    if (const char* variable = std::getenv("TZ")) source = std::string("TZ=") + variable;
    for (const char* path : {"/etc/localtime", "/etc/timezone"}) {
        struct stat status {};
        source += '\n';
        if (::lstat(path, &status) != 0) continue;
        source += std::to_string(status.st_ino) + ':' + std::to_string(status.st_size) + ':' +
                  std::to_string(status.st_mtim.tv_sec) + '.' + std::to_string(status.st_mtim.tv_nsec);
        if (S_ISLNK(status.st_mode)) {
            char target[4096];
            const ssize_t length = ::readlink(path, target, sizeof target);
            if (length > 0) source.append(target, static_cast<std::size_t>(length));
        }
    }
    return source;
}

Calendar detectCurrent() {
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

}  // namespace

Calendar Calendar::current() {
    static std::mutex lock;
    static std::optional<std::pair<std::string, Calendar>> detected;
    const std::string source = hostZoneSource() + '\n' + icu::Locale::getDefault().getName();
    const std::lock_guard<std::mutex> held(lock);
    if (!detected || detected->first != source) detected.emplace(source, detectCurrent());
    return detected->second;
}

bool Calendar::isSameDay(Instant first, Instant second) const {
    // The Julian day field counts local days, so it is the same for two instants exactly
    // when they share a calendar day in this time zone.
    auto firstDay = fieldAt(*this, first, UCAL_JULIAN_DAY);
    auto secondDay = fieldAt(*this, second, UCAL_JULIAN_DAY);
    return firstDay && secondDay && *firstDay == *secondDay;
}

std::optional<Instant> Calendar::addingDays(Instant instant, int days) const {
    const auto date = udateOf(instant);
    if (!date) return std::nullopt;
    std::optional<Instant> moved;
    IcuObjects::shared().withCalendar(*this, [&](icu::Calendar& at) {
        UErrorCode status = U_ZERO_ERROR;
        at.setTime(*date, status);
        at.add(UCAL_DATE, days, status);
        const UDate result = at.getTime(status);
        if (U_SUCCESS(status)) moved = Instant::fromUnixSeconds(result / 1000.0);
    });
    return moved;
}

std::optional<int> Calendar::hourOfDay(Instant instant) const {
    return fieldAt(*this, instant, UCAL_HOUR_OF_DAY);
}

std::string Calendar::format(Instant instant, std::string_view skeleton) const {
    const auto date = udateOf(instant);
    if (!date) return {};
    std::string result;
    IcuObjects::shared().withFormatter(*this, skeleton, [&](icu::SimpleDateFormat& formatter) {
        icu::UnicodeString formatted;
        formatter.format(*date, formatted);
        formatted.toUTF8String(result);
    });
    return result;
}

}  // namespace quorvel
