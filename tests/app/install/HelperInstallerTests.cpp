#include <gtest/gtest.h>

#include <cerrno>

#include "app/install/HelperInstaller.hpp"
#include "tests/app/install/InstallTestSupport.hpp"

namespace quorvel {
namespace {

using namespace quorvel::testing;

class HelperInstallerTest : public ::testing::Test {
protected:
    HelperInstallerTest() { writeText(source, "#!/bin/sh\nexit 0\n"); }

    std::vector<std::string> temporaries() const {
        return namesStartingWith(fs::path(destination).parent_path().string(), ".quorvel-hook.");
    }

    TemporaryFolder folder;
    const std::string source = folder / "build/quorvel-hook";
    const std::string destination = folder / "home/Library/Quorvel/bin/quorvel-hook";
};

TEST_F(HelperInstallerTest, FirstInstallCreatesTheFoldersAndAnExecutable) {
    LogCapture log;
    ScopedUmask umask(0777);  // modes must not depend on it
    ASSERT_TRUE(HelperInstaller(source).installHelper(destination));
    EXPECT_EQ(readText(destination), readText(source));
    EXPECT_EQ(modeOf(destination), 0755u);
    EXPECT_EQ(modeOf(fs::path(destination).parent_path().string()), 0755u);
    EXPECT_EQ(log.text(), "info com.tessaloom.quorvel.mac [HelperInstaller] Installed helper at " + destination + "\n");
    EXPECT_TRUE(temporaries().empty());
}

TEST_F(HelperInstallerTest, IdenticalHelperIsLeftAlone) {
    ASSERT_TRUE(HelperInstaller(source).installHelper(destination));
    fs::permissions(destination, static_cast<fs::perms>(0700));
    const ino_t inode = inodeOf(destination);
    LogCapture log;
    ASSERT_TRUE(HelperInstaller(source).installHelper(destination));
    EXPECT_EQ(inodeOf(destination), inode);
    EXPECT_EQ(modeOf(destination), 0700u);
    EXPECT_EQ(log.text(), "");
}

TEST_F(HelperInstallerTest, OlderHelperIsReplacedInOneRename) {
    writeText(destination, "old helper");
    const ino_t inode = inodeOf(destination);
    ASSERT_TRUE(HelperInstaller(source).installHelper(destination));
    EXPECT_NE(inodeOf(destination), inode);
    EXPECT_EQ(readText(destination), readText(source));
    EXPECT_EQ(modeOf(destination), 0755u);
    EXPECT_TRUE(temporaries().empty());
}

TEST_F(HelperInstallerTest, MissingHelperLeavesTheDestinationAlone) {
    writeText(destination, "old helper");
    for (const auto& missing : {std::optional<std::string>(), std::optional<std::string>(folder / "nothing")}) {
        const auto result = HelperInstaller(missing).installHelper(destination);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().message(), "The app bundle is missing quorvel-hook. Rebuild the app.");
        EXPECT_EQ(readText(destination), "old helper");
    }
}

TEST_F(HelperInstallerTest, CopyIsDeletedWhenItsModeCannotBeSet) {
    writeText(destination, "old helper");
    const HelperInstaller installer(source, [](const std::string& path, mode_t) -> Expected<void, files::FileError> {
        return unexpected(files::fileErrorFromErrno(EPERM, path));
    });
    const auto result = installer.installHelper(destination);
    ASSERT_FALSE(result);
    const auto* error = std::get_if<files::FileError>(&result.error().error);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code, EPERM);
    EXPECT_EQ(readText(destination), "old helper");
    EXPECT_TRUE(temporaries().empty());
}

TEST_F(HelperInstallerTest, FailedRenameReportsTheSystemTextAndLeavesNoCopy) {
    fs::create_directories(destination + "/occupied");  // a folder where the helper belongs
    const auto result = HelperInstaller(source).installHelper(destination);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().message(), "Couldn't install the hook helper (Is a directory).");
    EXPECT_TRUE(temporaries().empty());
}

TEST_F(HelperInstallerTest, FolderThatCannotBeCreatedPassesThePlatformError) {
    writeText(folder / "home/Library/Quorvel", "a file, not a folder");
    const auto result = HelperInstaller(source).installHelper(destination);
    ASSERT_FALSE(result);
    const auto* error = std::get_if<files::FileError>(&result.error().error);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->code, ENOTDIR);
}

TEST(HelperLookupTest, FindsOnlyARealFileNamedAfterTheHelper) {
    const auto found = HelperInstaller::bundledHelper();
    if (!found) GTEST_SKIP() << "no helper built beside the tests or in the resource folder";
    EXPECT_EQ(fs::path(*found).filename(), "quorvel-hook");
    EXPECT_TRUE(fs::is_regular_file(*found));
}

}  // namespace
}  // namespace quorvel
