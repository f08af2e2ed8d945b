#include "app/reports/PairingReport.hpp"

#include <gtest/gtest.h>

#include "tests/support/EveningClock.hpp"

namespace quorvel {
namespace {

using testing::evening;
using testing::plainSpaces;
using testing::utcEnglish;

TEST(PairingReportTests, TextsReadAsTheUserIsShownThem) {
    EXPECT_EQ(PairingReport::lookingForPhone, "Looking for the phone in iCloud\u2026");
    EXPECT_EQ(PairingReport::noPhone, "No phone found in iCloud yet. Open Quorvel on the phone once.");
    EXPECT_EQ(plainSpaces(PairingReport::sendingTo("Ada's iPhone", "18.2", evening, utcEnglish)),
              "Sending to: Ada's iPhone (iOS 18.2), updated Jan 5, 2025, 9:41 PM");
}

}  // namespace
}  // namespace quorvel
