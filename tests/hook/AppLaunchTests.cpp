// Which app the helper starts when the app doesn't answer: the one named for tests, the one
// beside it, the one its launcher entry names (the copy that installed the helper), or
// "quorvel" on PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "hook/AppLaunch.hpp"
#include "platform/desktop/DesktopEntry.hpp"
#include "tests/hook/TempFolder.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"

namespace quorvel {
namespace {

using testing::ScopedEnvironmentVariable;
using testing::TempFolder;

void writeEntry(const std::string& folder, const std::string& exec) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/quorvel.desktop") << "[Desktop Entry]\nType=Application\nName=Quorvel\nExec=" << exec
                                               << "\n";
}

TEST(AppCommand, StartsTheCopyTheLauncherEntryNamesUnlessItIsGone) {
    TempFolder home;
    const ScopedEnvironmentVariable dataHome("XDG_DATA_HOME", home / "share");
    const ScopedEnvironmentVariable dataDirs("XDG_DATA_DIRS", home / "system");
    EXPECT_EQ(appCommand({}), std::vector<std::string>{"quorvel"});

    // The package's entry, found in the system's folders.
    writeEntry(home / "system/applications", "quorvel");
    EXPECT_EQ(appCommand({}), std::vector<std::string>{"quorvel"});

    // The user's entry hides it: a build tree's copy, named by its path.
    const std::string program = home / "my build/bin/quorvel";
    std::filesystem::create_directories(home / "my build/bin");
    std::ofstream(program) << "#!/bin/sh\n";
    ::chmod(program.c_str(), 0755);
    writeEntry(home / "share/applications", DesktopEntry::execValue({program, "--flag"}));
    EXPECT_EQ(appCommand({}), (std::vector<std::string>{program, "--flag"}));
    // Named for tests, that one goes first.
    EXPECT_EQ(appCommand({{appExecutableVariable, "/opt/other"}}), std::vector<std::string>{"/opt/other"});

    // The build tree removed: the entry names nothing any more.
    std::filesystem::remove(program);
    EXPECT_EQ(appCommand({}), std::vector<std::string>{"quorvel"});
}

}  // namespace
}  // namespace quorvel
