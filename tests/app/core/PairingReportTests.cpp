#include "app/core/PairingReport.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

const Calendar utc{"gregorian", "UTC", "en_US"};
// 2025-01-05 21:41:00 UTC.
const Instant evening = Instant::fromUnixSeconds(1736113260);

// ICU writes a narrow no-break space before AM/PM in recent English data.
std::string plainSpaces(std::string text) {
    for (std::size_t at; (at = text.find("\u202F")) != std::string::npos;) text.replace(at, 3, " ");
    return text;
}

TEST(PairingReportTests, TextsReadAsTheUserIsShownThem) {
    EXPECT_EQ(PairingReport::lookingForPhone, "Looking for the phone in iCloud\u2026");
    EXPECT_EQ(PairingReport::noPhone, "No phone found in iCloud yet. Open Quorvel on the phone once.");
    EXPECT_EQ(plainSpaces(PairingReport::sendingTo("Ada's iPhone", "18.2", evening, utc)),
              "Sending to: Ada's iPhone (iOS 18.2), updated Jan 5, 2025, 9:41 PM");
}

}  // namespace
}  // namespace quorvel
