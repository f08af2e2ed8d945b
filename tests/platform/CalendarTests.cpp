#include "platform/time/Calendar.hpp"

#include <gtest/gtest.h>

#include <limits>

#include "tests/support/ScopedEnvironmentVariable.hpp"

namespace quorvel {
namespace {

// 2024-03-31 00:30 in Berlin (CET, UTC+1); clocks jump from 02:00 to 03:00 that night.
const Instant beforeSpringForward = Instant::fromUnixSeconds(1711841400);
const Calendar berlin{"gregorian", "Europe/Berlin", "en_GB"};

TEST(Calendar, DaysAndHoursAreTakenInTheGivenZone) {
    EXPECT_EQ(berlin.hourOfDay(beforeSpringForward), 0);
    EXPECT_EQ((Calendar{"gregorian", "UTC", "en_GB"}.hourOfDay(beforeSpringForward)), 23);
    EXPECT_TRUE(berlin.isSameDay(beforeSpringForward, beforeSpringForward.adding(22 * 3600.0)));
    EXPECT_FALSE(berlin.isSameDay(beforeSpringForward, beforeSpringForward.adding(23.5 * 3600.0)));
}

TEST(Calendar, AddingDaysKeepsTheWallClockAcrossDaylightSaving) {
    const auto next = berlin.addingDays(beforeSpringForward, 1);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->secondsSince(beforeSpringForward), 23 * 3600.0);
    EXPECT_EQ(berlin.hourOfDay(*next), 0);
}

TEST(Calendar, InstantsItCannotHoldGiveNothing) {
    const Instant nan = Instant::fromUnixSeconds(std::numeric_limits<double>::quiet_NaN());
    const Instant infinite = Instant::fromUnixSeconds(std::numeric_limits<double>::infinity());
    EXPECT_FALSE(berlin.isSameDay(nan, nan));
    EXPECT_FALSE(berlin.hourOfDay(infinite));
    EXPECT_FALSE(berlin.addingDays(nan, 1));
    EXPECT_EQ(berlin.format(infinite, "EEEdMMM"), "");
    EXPECT_EQ(berlin.format(beforeSpringForward, "EEEdMMM"), "Sun, 31 Mar");
}

TEST(Calendar, CalendarsOfOtherZonesAndLocalesAskedInTurnKeepTheirOwnAnswers) {
    // Each calendar value has its own kept ICU objects: asking one must never answer for another.
    const Calendar tokyo{"gregorian", "Asia/Tokyo", "en_US"};
    const Calendar german{"gregorian", "Europe/Berlin", "de_DE"};
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(berlin.hourOfDay(beforeSpringForward), 0);
        EXPECT_EQ(tokyo.hourOfDay(beforeSpringForward), 8);
        EXPECT_EQ(berlin.format(beforeSpringForward, "EEEdMMM"), "Sun, 31 Mar");
        EXPECT_EQ(german.format(beforeSpringForward, "EEEdMMM"), "So., 31. M\u00e4rz");
        EXPECT_EQ(tokyo.format(beforeSpringForward, "HHmm"), "08:30");
        EXPECT_EQ(berlin.format(beforeSpringForward, "HHmm"), "00:30");
        EXPECT_EQ(berlin.addingDays(beforeSpringForward, 1)->secondsSince(beforeSpringForward), 23 * 3600.0);
        EXPECT_EQ(tokyo.addingDays(beforeSpringForward, 1)->secondsSince(beforeSpringForward), 24 * 3600.0);
    }
}

TEST(Calendar, TheUsersCalendarFollowsAChangeOfTheHostsZone) {
    testing::ScopedEnvironmentVariable zone("TZ", "Asia/Tokyo");
    EXPECT_EQ(Calendar::current().timeZone, "Asia/Tokyo");
    EXPECT_EQ(Calendar::current().timeZone, "Asia/Tokyo");
    zone.set("America/Chicago");
    EXPECT_EQ(Calendar::current().timeZone, "America/Chicago");
}

}  // namespace
}  // namespace quorvel
