#include "app/desktop/LaunchAtLogin.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "platform/desktop/DesktopEntry.hpp"
#include "tests/support/DesktopServiceLog.hpp"
#include "tests/support/FileMode.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"

namespace quorvel {
namespace {

using testing::DesktopServiceLog;
using testing::modeOf;
using testing::TemporaryFolder;

TEST(LaunchAtLoginTest, TheEntryStartsTheApp) {
    EXPECT_EQ(LaunchAtLogin::entryContents("/opt/quorvel/bin/quorvel"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Quorvel\n"
              "Exec=/opt/quorvel/bin/quorvel\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
}

TEST(LaunchAtLoginTest, AnyExecutablePathIsStartedExactlyAsItIs) {
    for (const std::string path : {"/home/a b/Quorvel/quorvel", "/home/u/$HOME/`id`/quorvel",
                                   "/home/u/100%/quorvel", "/home/u/\"q\"\\x/quorvel", "/home/u/tab\there/quorvel",
                                   "/home/u/line\nbreak/quorvel", "/home/u/caf\u00E9 %U/quorvel"}) {
        const DesktopEntry entry = DesktopEntry::parse(LaunchAtLogin::entryContents(path));
        EXPECT_EQ(entry.execArguments(), std::vector<std::string>{path}) << path;
        EXPECT_EQ(entry.value("Type"), "Application");
    }
}

class LaunchAtLoginFileTest : public ::testing::Test {
protected:
    std::string entryPath() const { return folder / "config/autostart/com.tessaloom.quorvel.mac.desktop"; }

    TemporaryFolder folder;
    DesktopServiceLog log;
    LaunchAtLogin launch{entryPath(), "/opt/quorvel/bin/quorvel"};
};

TEST_F(LaunchAtLoginFileTest, SwitchingOnWritesTheEntryAndOffRemovesIt) {
    EXPECT_EQ(launch.status(), LaunchAtLogin::Status::notRegistered);

    ASSERT_TRUE(launch.set(true));
    EXPECT_EQ(launch.status(), LaunchAtLogin::Status::enabled);
    EXPECT_EQ(files::readFile(entryPath()).value(), LaunchAtLogin::entryContents("/opt/quorvel/bin/quorvel"));
    EXPECT_EQ(modeOf(entryPath()), 0644u);
    ASSERT_TRUE(launch.set(true));

    ASSERT_TRUE(launch.set(false));
    EXPECT_EQ(launch.status(), LaunchAtLogin::Status::notRegistered);
    EXPECT_FALSE(files::readFile(entryPath()));
    ASSERT_TRUE(launch.set(false));

    EXPECT_EQ(log.lines("LaunchAtLogin"), (std::vector<std::string>{
                                              "info Launch at login now: enabled",
                                              "info Launch at login now: enabled",
                                              "info Launch at login now: notRegistered",
                                              "info Launch at login now: notRegistered",
                                          }));
}

TEST_F(LaunchAtLoginFileTest, AnEntryTheUserSwitchedOffIsNotRegistered) {
    const std::string contents = LaunchAtLogin::entryContents("/opt/quorvel/bin/quorvel");
    const std::string switchedOff[] = {
        contents + "Hidden=true\n",
        contents.substr(0, contents.find("X-GNOME-Autostart-enabled")) + "X-GNOME-Autostart-enabled=false\n",
    };
    for (const std::string& entry : switchedOff) {
        ASSERT_TRUE(launch.set(true));
        std::ofstream(entryPath()) << entry;
        EXPECT_EQ(launch.status(), LaunchAtLogin::Status::notRegistered) << entry;
    }
    ASSERT_TRUE(launch.set(true));
    EXPECT_EQ(launch.status(), LaunchAtLogin::Status::enabled);
}

TEST_F(LaunchAtLoginFileTest, AnEntryStartingAnotherCopyIsPointedAtThisOneAndNoneIsMade) {
    ASSERT_TRUE(launch.followRunningCopy());
    EXPECT_FALSE(files::readFile(entryPath())) << "launch at login was off: no entry is made";

    // On, for a copy that ran from elsewhere; the user's own key and the other group stay.
    const std::string old = LaunchAtLogin::entryContents("/home/u/old build/bin/quorvel");
    ASSERT_TRUE(files::createDirectories(folder / "config/autostart"));
    std::ofstream(entryPath()) << old << "X-GNOME-Autostart-Delay=5\n[Desktop Action x]\nExec=/home/u/old/x\n";
    ASSERT_TRUE(launch.followRunningCopy());
    const std::string followed = LaunchAtLogin::entryContents("/opt/quorvel/bin/quorvel") +
                                 "X-GNOME-Autostart-Delay=5\n[Desktop Action x]\nExec=/home/u/old/x\n";
    EXPECT_EQ(files::readFile(entryPath()).value(), followed);
    EXPECT_EQ(launch.status(), LaunchAtLogin::Status::enabled);
    ASSERT_TRUE(launch.followRunningCopy());
    EXPECT_EQ(log.lines("LaunchAtLogin"),
              (std::vector<std::string>{"info Launch at login now starts /opt/quorvel/bin/quorvel instead of "
                                        "/home/u/old build/bin/quorvel"}));

    // Switched off by the user, or a program looked up in PATH: the user's choice stays.
    for (const std::string& kept : {old + "Hidden=true\n", LaunchAtLogin::entryContents("quorvel")}) {
        std::ofstream(entryPath()) << kept;
        ASSERT_TRUE(launch.followRunningCopy());
        EXPECT_EQ(files::readFile(entryPath()).value(), kept);
    }
}

TEST_F(LaunchAtLoginFileTest, FailuresAreReturnedNotLogged) {
    std::ofstream(folder / "config") << "a file where the folder should be";
    const auto result = launch.set(true);
    ASSERT_FALSE(result);
    EXPECT_FALSE(result.error().message.empty());

    LaunchAtLogin nowhere(entryPath(), "");
    EXPECT_FALSE(nowhere.set(true));
    EXPECT_TRUE(log.lines("LaunchAtLogin").empty());
}

TEST(LaunchAtLoginUserTest, TheUsersEntryLivesInTheConfigFolder) {
    TemporaryFolder folder;
    const testing::ScopedEnvironmentVariable configHome("XDG_CONFIG_HOME", folder.path());
    const LaunchAtLogin launch = LaunchAtLogin::forCurrentUser();
    EXPECT_EQ(launch.entryPath(), folder / "autostart/com.tessaloom.quorvel.mac.desktop");

    configHome.set("relative/is/ignored");
    EXPECT_EQ(LaunchAtLogin::forCurrentUser().entryPath(),
              files::joinPath(files::homeDirectory(), ".config/autostart/com.tessaloom.quorvel.mac.desktop"));
}

}  // namespace
}  // namespace quorvel
