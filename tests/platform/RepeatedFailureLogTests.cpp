#include "platform/RepeatedFailureLog.hpp"

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

}  // namespace
}  // namespace quorvel
