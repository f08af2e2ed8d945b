#include "kit/engine/QuorvelPaths.hpp"

#include <cstdlib>

#include <gtest/gtest.h>

#include "kit/engine/Quorvel.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"

namespace quorvel {
namespace {

TEST(QuorvelPaths, LocationsUnderHome) {
    const QuorvelPaths paths("/Users/a");
    EXPECT_EQ(paths.appSupport(), "/Users/a/Library/Application Support/Quorvel");
    EXPECT_EQ(paths.endpoint(), "/Users/a/Library/Application Support/Quorvel/endpoint.json");
    EXPECT_EQ(paths.spool(), "/Users/a/Library/Application Support/Quorvel/spool");
    EXPECT_EQ(paths.logs(), "/Users/a/Library/Logs/Quorvel");
    EXPECT_EQ(paths.hookLog(), "/Users/a/Library/Logs/Quorvel/hook.log");
    EXPECT_EQ(paths.captures(), "/Users/a/Library/Logs/Quorvel/captures");
    EXPECT_EQ(paths.helper(), "/Users/a/Library/Quorvel/bin/quorvel-hook");
    EXPECT_EQ(paths.claudeSettings(), "/Users/a/.claude/settings.json");
}

TEST(QuorvelPaths, TrailingSeparatorOfHomeIsNotDoubled) {
    EXPECT_EQ(QuorvelPaths("/Users/a/").hookLog(), "/Users/a/Library/Logs/Quorvel/hook.log");
}

TEST(QuorvelPaths, CurrentUserFollowsHome) {
    const testing::ScopedEnvironmentVariable home("HOME", "/home/someone");
    EXPECT_EQ(QuorvelPaths::forCurrentUser().home, "/home/someone");
}

TEST(Quorvel, Identifiers) {
    EXPECT_STREQ(Quorvel::displayName, "Quorvel");
    EXPECT_STREQ(Quorvel::iOSBundleID, "com.tessaloom.quorvel");
    EXPECT_STREQ(Quorvel::macBundleID, "com.tessaloom.quorvel.mac");
    EXPECT_STREQ(Quorvel::appGroupID, "group.com.tessaloom.quorvel");
    EXPECT_STREQ(Quorvel::iCloudContainerID, "iCloud.com.tessaloom.quorvel");
}

}  // namespace
}  // namespace quorvel
