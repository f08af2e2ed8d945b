#include "app/stores/PrivateFolders.hpp"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/files/Files.hpp"
#include "tests/support/FileMode.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::modeOf;

TEST(PrivateFolders, OpenedUpFoldersAreMadePrivateAgainButLinksAreNotFollowed) {
    testing::TemporaryFolder home;
    const QuorvelPaths paths(home.path());
    ASSERT_TRUE(files::createDirectories(paths.spool(), 0700));
    ASSERT_EQ(::chmod(paths.appSupport().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(paths.spool().c_str(), 0755), 0);
    // The logs folder is a link to a folder of the user's that is meant to be shared.
    const std::string shared = home / "shared";
    ASSERT_TRUE(files::createDirectories(shared, 0755));
    ASSERT_TRUE(files::createDirectories(home / "Library/Logs", 0755));
    ASSERT_EQ(::symlink(shared.c_str(), paths.logs().c_str()), 0);

    EXPECT_EQ(restorePrivateFolderModes(paths), (std::vector<std::string>{paths.appSupport(), paths.spool()}));
    EXPECT_EQ(modeOf(paths.appSupport()), 0700u);
    EXPECT_EQ(modeOf(paths.spool()), 0700u);
    EXPECT_EQ(modeOf(shared), 0755u);
    // Already private: nothing to do.
    EXPECT_TRUE(restorePrivateFolderModes(paths).empty());
}

}  // namespace
}  // namespace quorvel
