#include "platform/qt/XdgApplicationLauncher.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/desktop/DesktopEntry.hpp"
#include "platform/files/Files.hpp"
#include "tests/platform/qt/DesktopPeers.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using quorvel::testing::TemporaryFolder;

class XdgApplicationLauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureApplication();
        ASSERT_TRUE(files::createDirectories(folder / "applications"));
    }
    void install(const std::string& id, const std::string& extra, const std::vector<std::string>& command) {
        std::ofstream(folder / ("applications/" + id))
            << "[Desktop Entry]\nType=Application\nName=Test\n" << extra
            << "Exec=" << DesktopEntry::execValue(command) << "\n";
    }
    std::string waitForFile(const std::string& path) {
        std::string contents;
        testing::waitUntil([&] {
            const auto read = files::readFile(path);
            if (read && !read->empty() && read->back() == '\n') contents = *read;
            return !contents.empty();
        });
        return contents;
    }

    TemporaryFolder folder;
    testing::ScopedEnvironmentVariable dataHome{"XDG_DATA_HOME", folder.path()};
    testing::ScopedEnvironmentVariable dataDirs{"XDG_DATA_DIRS", folder / "nothing-here"};
    XdgApplicationLauncher launcher;
};

TEST_F(XdgApplicationLauncherTest, StartsTheEntrysCommandWithItsArgumentsIntact) {
    const std::string marker = folder / "started by $USER & co.txt";
    install("quorvel-test-terminal.desktop", "",
            {"/bin/sh", "-c", "printf '%s\\n' \"$1\" > \"$2\"", "sh", "it's \"quoted\" 100%", marker});
    ASSERT_TRUE(launcher.open("quorvel-test-terminal.desktop"));
    EXPECT_EQ(waitForFile(marker), "it's \"quoted\" 100%\n");
}

TEST_F(XdgApplicationLauncherTest, RunsInTheEntrysFolder) {
    ASSERT_TRUE(files::createDirectories(folder / "work"));
    install("quorvel-test-folder.desktop", "Path=" + (folder / "work") + "\n", {"/bin/sh", "-c", "pwd > where.txt"});
    ASSERT_TRUE(launcher.open("quorvel-test-folder.desktop"));
    EXPECT_EQ(waitForFile(folder / "work/where.txt"), folder / "work\n");
}

TEST_F(XdgApplicationLauncherTest, AnEntryThatIsMissingOrCantRunIsNotOpened) {
    EXPECT_FALSE(launcher.open("quorvel-test-missing.desktop"));
    std::ofstream(folder / "applications/quorvel-test-noexec.desktop") << "[Desktop Entry]\nName=x\n";
    EXPECT_FALSE(launcher.open("quorvel-test-noexec.desktop"));
    install("quorvel-test-nowhere.desktop", "", {folder / "no-such-program"});
    EXPECT_FALSE(launcher.open("quorvel-test-nowhere.desktop"));
}

}  // namespace
}  // namespace quorvel
