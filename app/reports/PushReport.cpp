#include "app/reports/PushReport.hpp"

namespace quorvel::PushReport {

std::string clockText(Instant now, const Calendar& calendar) {
    // "j" is the locale's own hour cycle, so this reads 9:41 AM or 09:41 as the user expects.
    return calendar.format(now, "jmm");
}

std::string skipped(Alert::Kind kind, Router::Skip reason, std::string_view clock) {
    return "No push for " + std::string(rawValue(kind)) + ": " + std::string(skipDescription(reason)) + " (" +
           std::string(clock) + ")";
}

std::string sent(Alert::Kind kind, bool silent, std::string_view clock) {
    std::string report = "Sent " + std::string(rawValue(kind)) + " at " + std::string(clock);
    if (silent) report += ", silently (quiet hours)";
    return report;
}

std::string failed(std::string_view description) { return "Failed: " + std::string(description); }

}  // namespace quorvel::PushReport
