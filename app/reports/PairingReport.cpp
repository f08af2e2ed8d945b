#include "app/reports/PairingReport.hpp"

namespace quorvel::PairingReport {

std::string updateTimeText(Instant updatedAt, const Calendar& calendar) {
    return calendar.format(updatedAt, "yMMMdjmm");
}

std::string sendingTo(std::string_view name, std::string_view systemVersion, Instant updatedAt,
                      const Calendar& calendar) {
    return "Sending to: " + std::string(name) + " (iOS " + std::string(systemVersion) + "), updated " +
           updateTimeText(updatedAt, calendar);
}

}  // namespace quorvel::PairingReport
