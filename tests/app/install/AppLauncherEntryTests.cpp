// The launcher entry that names a copy of the app the installed entry doesn't start: the same
// entry with this copy's path in every command, kept only while it is needed and true, and
// never over an entry of the user's own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/install/AppLauncherEntry.hpp"
#include "platform/desktop/DesktopEntry.hpp"
#include "tests/app/install/InstallTestSupport.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"

namespace quorvel {
namespace {

using namespace quorvel::testing;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

class AppLauncherEntryTest : public ::testing::Test {
protected:
    AppLauncherEntryTest() {
        writeText(program, "#!/bin/sh\nexit 0\n");
        ::chmod(program.c_str(), 0755);
    }

    AppLauncherEntry entryFor(const std::string& executable) const {
        return AppLauncherEntry(user, {installed}, executable);
    }
    std::string entryPath() const { return user + "/quorvel.desktop"; }

    TemporaryFolder folder;
    // A build tree with a space and a percent sign in its path.
    const std::string program = folder / "work/my build 100%/bin/quorvel";
    const std::string user = folder / "home/.local/share/applications";
    const std::string installed = folder / "usr/share/applications";
};

TEST_F(AppLauncherEntryTest, IsTheInstalledEntryWithEveryCommandNamingThisCopy) {
    const std::string text = AppLauncherEntry::contents(program);
    EXPECT_TRUE(AppLauncherEntry::isOwnEntry(text));
    const DesktopEntry entry = DesktopEntry::parse(text);
    EXPECT_EQ(entry.value("TryExec"), program);
    EXPECT_EQ(entry.execArguments(), std::vector<std::string>{program});
    EXPECT_EQ(entry.value("Name"), "Quorvel");
    EXPECT_EQ(entry.value("Icon"), "quorvel");
    EXPECT_EQ(entry.value("StartupWMClass"), "quorvel");

    // Line for line the installed entry, but for the mark, the TryExec and the commands.
    const std::vector<std::string> ours = linesOf(text);
    const std::vector<std::string> packaged = linesOf(readText(QUORVEL_DESKTOP_FILE));
    ASSERT_EQ(ours.size(), packaged.size() + 2);
    std::size_t commands = 0;
    for (std::size_t index = 0, at = 1; index < packaged.size(); ++index, ++at) {
        if (ours[at].starts_with("TryExec=")) ++at;
        if (!packaged[index].starts_with("Exec=")) {
            EXPECT_EQ(ours[at], packaged[index]);
            continue;
        }
        ++commands;
        std::vector<std::string> expected = *DesktopEntry::parse("[Desktop Entry]\n" + packaged[index]).execArguments();
        expected.front() = program;
        EXPECT_EQ(DesktopEntry::parse("[Desktop Entry]\n" + ours[at]).execArguments(), expected) << ours[at];
    }
    EXPECT_EQ(commands, 5u);
}

TEST_F(AppLauncherEntryTest, IsWrittenForThisCopyAndRewrittenOnlyWhenItChanges) {
    LogCapture log;
    ScopedUmask umask(0077);
    ASSERT_TRUE(entryFor(program).keep());
    EXPECT_EQ(readText(entryPath()), AppLauncherEntry::contents(program));
    EXPECT_EQ(modeOf(entryPath()), 0644u);
    EXPECT_EQ(log.text(),
              "info com.tessaloom.quorvel.mac [LauncherEntry] Launcher entry " + entryPath() + " now starts " + program +
                  "\n");
    const ino_t first = inodeOf(entryPath());
    ASSERT_TRUE(entryFor(program).keep());
    EXPECT_EQ(inodeOf(entryPath()), first);

    // Another copy started since (another build tree): the entry follows it.
    const std::string other = folder / "elsewhere/quorvel";
    writeText(other, "#!/bin/sh\n");
    ::chmod(other.c_str(), 0755);
    ASSERT_TRUE(entryFor(other).keep());
    EXPECT_EQ(readText(entryPath()), AppLauncherEntry::contents(other));

    // A program no longer on disk (its file replaced while it ran) is written nowhere.
    EXPECT_FALSE(entryFor(folder / "gone/quorvel").keep());
    EXPECT_EQ(readText(entryPath()), AppLauncherEntry::contents(other));
}

TEST_F(AppLauncherEntryTest, GoesWhenTheInstalledEntryStartsThisCopy) {
    LogCapture log;
    ASSERT_TRUE(entryFor(program).keep());
    // The installed entry names the program on PATH, as the package's does.
    writeText(installed + "/quorvel.desktop", readText(QUORVEL_DESKTOP_FILE));
    ScopedEnvironmentVariable path("PATH", folder / "nothing-here" + ":" + fs::path(program).parent_path().string());
    ASSERT_TRUE(entryFor(program).keep());
    EXPECT_FALSE(fs::exists(entryPath()));
    EXPECT_NE(log.text().find("Removed launcher entry " + entryPath()), std::string::npos) << log.text();
    ASSERT_TRUE(entryFor(program).keep());
    EXPECT_FALSE(fs::exists(entryPath()));

    // It starts another copy: this one needs its own.
    path.set(folder / "nothing-here");
    ASSERT_TRUE(entryFor(program).keep());
    EXPECT_EQ(readText(entryPath()), AppLauncherEntry::contents(program));
}

TEST_F(AppLauncherEntryTest, TheIconGoesBesideTheEntryAndWithIt) {
    // The copy's icons, laid out as the hicolor theme is; another picture there isn't the app's.
    const std::string source = folder / "work/my build 100%/resources/icons/hicolor";
    writeText(source + "/48x48/apps/quorvel.png", "forty-eight");
    writeText(source + "/512x512/apps/quorvel.png", "five hundred twelve");
    writeText(source + "/48x48/apps/other.png", "not ours");
    const std::string theme = folder / "home/.local/share/icons/hicolor";
    const auto withIcons = [&] { return AppLauncherEntry(user, {installed}, program, AppIcons(source, theme)); };

    writeText(theme + "/512x512/apps/quorvel.png", "an older build's");
    ASSERT_TRUE(withIcons().keep());
    EXPECT_EQ(readText(theme + "/48x48/apps/quorvel.png"), "forty-eight");
    EXPECT_EQ(readText(theme + "/512x512/apps/quorvel.png"), "five hundred twelve");
    EXPECT_EQ(modeOf(theme + "/48x48/apps/quorvel.png"), 0644u);
    EXPECT_FALSE(fs::exists(theme + "/48x48/apps/other.png"));

    // Under an entry of the user's own the banners still name the icon.
    fs::remove_all(theme);
    writeText(entryPath(), "[Desktop Entry]\nType=Application\nName=Mine\nExec=/opt/q/quorvel\nIcon=quorvel\n");
    ASSERT_TRUE(withIcons().keep());
    EXPECT_EQ(readText(theme + "/48x48/apps/quorvel.png"), "forty-eight");

    // The installed entry starts this copy: its icons are the desktop's; the entry's go with it.
    fs::remove(entryPath());
    ASSERT_TRUE(withIcons().keep());
    writeText(installed + "/quorvel.desktop", "[Desktop Entry]\nExec=" + DesktopEntry::execValue({program}) + "\n");
    ASSERT_TRUE(withIcons().keep());
    EXPECT_FALSE(fs::exists(entryPath()));
    EXPECT_FALSE(fs::exists(theme + "/48x48/apps/quorvel.png"));
    EXPECT_FALSE(fs::exists(theme + "/512x512/apps/quorvel.png"));
}

TEST_F(AppLauncherEntryTest, AnEntryOfTheUsersOwnIsNeverTouched) {
    const std::string own = "[Desktop Entry]\nType=Application\nName=My Quorvel\nExec=/opt/q/quorvel\n";
    writeText(entryPath(), own);
    ASSERT_TRUE(entryFor(program).keep());
    EXPECT_EQ(readText(entryPath()), own);
    writeText(installed + "/quorvel.desktop", "[Desktop Entry]\nExec=" + program + "\n");
    ASSERT_TRUE(entryFor(program).keep());
    EXPECT_EQ(readText(entryPath()), own);

    fs::remove(entryPath());
    fs::create_symlink(installed + "/quorvel.desktop", entryPath());
    fs::remove(installed + "/quorvel.desktop");
    ASSERT_TRUE(entryFor(program).keep());
    EXPECT_TRUE(fs::is_symlink(entryPath()));
}

}  // namespace
}  // namespace quorvel
