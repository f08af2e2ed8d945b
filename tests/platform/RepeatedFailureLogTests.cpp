#include "platform/logging/RepeatedFailureLog.hpp"

#include <gtest/gtest.h>

#include "tests/support/LogCapture.hpp"

namespace quorvel {
namespace {

TEST(RepeatedFailureLog, TheSameTextWaitsAnHourAndAClockSetBackEndsTheWait) {
    testing::LogCapture log;
    RepeatedFailureLog failures(Logger("com.tessaloom.quorvel.mac", "App"), LogLevel::notice);
    const Instant start = Instant::fromUnixSeconds(1700000000);
    EXPECT_TRUE(failures.failed("no account", start));
    EXPECT_FALSE(failures.failed("no account", start.adding(3599)));
    EXPECT_TRUE(failures.failed("no account", start.adding(3600)));
    EXPECT_TRUE(failures.failed("no account", start.adding(3000)));
    EXPECT_FALSE(failures.failed("no account", start.adding(3001)));
    EXPECT_TRUE(failures.failed("offline", start.adding(3002)));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"notice com.tessaloom.quorvel.mac [App] no account",
                                                     "notice com.tessaloom.quorvel.mac [App] no account",
                                                     "notice com.tessaloom.quorvel.mac [App] no account",
                                                     "notice com.tessaloom.quorvel.mac [App] offline"}));
}

TEST(RepeatedFailureLog, AKindIsSaidOnceThenAsACountAtMostOncePerInterval) {
    testing::LogCapture log;
    RepeatedFailureLog failures(Logger("com.tessaloom.quorvel.mac", "EventServer"), LogLevel::error, 60);
    const Instant start = Instant::fromUnixSeconds(1700000000);
    const std::string prefix = "error com.tessaloom.quorvel.mac [EventServer] ";
    EXPECT_FALSE(failures.nextCountDue());

    // A flood of one kind, and one of another kind in the middle of it: each said once.
    EXPECT_TRUE(failures.failed("token", "wrong token", start));
    for (int i = 1; i < 5000; ++i) EXPECT_FALSE(failures.failed("token", "wrong token", start.adding(i * 0.001)));
    EXPECT_TRUE(failures.failed("undecodable", "didn't decode: a", start.adding(2)));
    EXPECT_FALSE(failures.failed("undecodable", "didn't decode: b", start.adding(3)));
    ASSERT_TRUE(failures.nextCountDue());
    EXPECT_EQ(failures.nextCountDue()->unixSeconds(), start.adding(60).unixSeconds());

    // Not due before the minute is over; then the counts, each once, with the latest text.
    failures.sayDueRepeats(start.adding(59));
    EXPECT_EQ(log.lines().size(), 2u);
    failures.sayDueRepeats(start.adding(60));
    failures.sayDueRepeats(start.adding(61));
    EXPECT_EQ(failures.nextCountDue()->unixSeconds(), start.adding(62).unixSeconds());
    failures.sayDueRepeats(start.adding(62));
    EXPECT_FALSE(failures.nextCountDue());

    // Within the minute after a count, one more is counted; a failure after a whole quiet
    // minute is news again; a stop says whatever is counted at once.
    EXPECT_FALSE(failures.failed("token", "wrong token", start.adding(100)));
    EXPECT_TRUE(failures.failed("token", "wrong token", start.adding(121)));
    EXPECT_TRUE(failures.failed("undecodable", "didn't decode: c", start.adding(200)));
    EXPECT_FALSE(failures.failed("undecodable", "didn't decode: d", start.adding(201)));
    failures.sayAllRepeats(start.adding(202));
    EXPECT_FALSE(failures.nextCountDue());

    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               prefix + "wrong token",
                               prefix + "didn't decode: a",
                               prefix + "wrong token (4999 times in the last 60 s)",
                               prefix + "didn't decode: b (1 time in the last 60 s)",
                               prefix + "wrong token (2 times in the last 61 s)",
                               prefix + "didn't decode: c",
                               prefix + "didn't decode: d (1 time in the last 2 s)",
                           }));
}

}  // namespace
}  // namespace quorvel
