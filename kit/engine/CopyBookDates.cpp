// The copy book's texts of dates and times. They need the calendar's locale data, so they are
// built apart from the other texts: the hook helper, which uses the crash reasons, links none.
#include <algorithm>

#include "kit/engine/CopyBook.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel::CopyBook {
namespace {

std::string labelOfDate(Instant time, const Calendar& calendar) {
    std::string label = calendar.format(time, "EEEdMMM");
    label.erase(std::remove(label.begin(), label.end(), ','), label.end());
    return text::uppercased(label, calendar.locale.c_str());
}

}  // namespace

std::string finishedTime(Instant time, Instant now, const Calendar& calendar) {
    // "J" asks for the locale's hour cycle without a day-period marker.
    return calendar.format(time, calendar.isSameDay(time, now) ? "JJmm" : "EEEJJmm");
}

std::string finishedTime(Instant time, Instant now) { return finishedTime(time, now, Calendar::current()); }

std::string finishedLine(const std::string& text, Instant time, Instant now, const Calendar& calendar) {
    return joined({text, finishedTime(time, now, calendar)});
}

std::string finishedLine(const std::string& text, Instant time, Instant now) {
    return finishedLine(text, time, now, Calendar::current());
}

std::string dayLabel(Instant time, Instant now, const Calendar& calendar) {
    if (calendar.isSameDay(time, now)) return "TODAY";
    if (auto dayBefore = calendar.addingDays(now, -1); dayBefore && calendar.isSameDay(time, *dayBefore)) {
        return "YESTERDAY";
    }
    return labelOfDate(time, calendar);
}

}  // namespace quorvel::CopyBook
