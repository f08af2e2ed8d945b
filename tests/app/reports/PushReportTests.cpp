#include "app/reports/PushReport.hpp"

#include <gtest/gtest.h>

#include "tests/support/EveningClock.hpp"

namespace quorvel {
namespace {

using testing::evening;
using testing::plainSpaces;
using testing::utcEnglish;

TEST(PushReportTests, TextsReadAsTheUserIsShownThem) {
    const std::string clock = plainSpaces(PushReport::clockText(evening, utcEnglish));
    EXPECT_EQ(clock, "9:41 PM");
    EXPECT_EQ(PushReport::initial, "No push sent yet");
    EXPECT_EQ(PushReport::skipped(Alert::Kind::needsYou, Router::Skip::atDesk, "9:41 AM"),
              "No push for needsYou: you're at the computer (9:41 AM)");
    // The kind is its case name, never a display text.
    EXPECT_EQ(PushReport::skipped(Alert::Kind::longRun, Router::Skip::kindNotPushed, "1:00 PM"),
              "No push for longRun: that kind never goes to the phone (1:00 PM)");
    EXPECT_EQ(PushReport::sent(Alert::Kind::done, true, "11:42 PM"), "Sent done at 11:42 PM, silently (quiet hours)");
    EXPECT_EQ(PushReport::sent(Alert::Kind::needsYou, false, "11:42 PM"), "Sent needsYou at 11:42 PM");
    EXPECT_EQ(PushReport::failed("No APNs key"), "Failed: No APNs key");
}

}  // namespace
}  // namespace quorvel
