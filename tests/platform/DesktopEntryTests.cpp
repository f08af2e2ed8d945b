#include "platform/desktop/DesktopEntry.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/files/Files.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

TEST(DesktopEntryTest, ReadsOnlyTheDesktopEntryGroupWithValuesUnescaped) {
    const DesktopEntry entry = DesktopEntry::parse(
        "# comment\n"
        "Name=outside any group\n"
        "[Desktop Entry]\n"
        "Name = Kitty \n"
        "Comment=a\\sb\\nc\\td\\\\e\\;f\n"
        "Name=second value is ignored\n"
        "not a key line\n"
        "Hidden=true\r\n"
        "[Desktop Action new]\n"
        "Exec=other\n");
    EXPECT_EQ(entry.value("Name"), "Kitty");
    EXPECT_EQ(entry.value("Comment"), "a b\nc\td\\e\\;f");
    EXPECT_EQ(entry.booleanValue("Hidden"), true);
    EXPECT_EQ(entry.value("Exec"), std::nullopt);
    EXPECT_EQ(entry.booleanValue("Name"), std::nullopt);
}

TEST(DesktopEntryTest, ExecSplitsIntoArgumentsWithoutFieldCodes) {
    const std::vector<std::pair<std::string, std::optional<std::vector<std::string>>>> cases = {
        {"kitty", std::vector<std::string>{"kitty"}},
        {"code --new-window %F", std::vector<std::string>{"code", "--new-window"}},
        {"  wezterm  start   %U ", std::vector<std::string>{"wezterm", "start"}},
        {R"("/opt/my app/run" --rate=50%% --file=%f)", std::vector<std::string>{"/opt/my app/run", "--rate=50%", "--file="}},
        // In the file: sh -c "echo \\"hi\\" \\$HOME" (string escaping first, then quoting).
        {R"(sh -c "echo \\"hi\\" \\$HOME")", std::vector<std::string>{"sh", "-c", R"(echo "hi" $HOME)"}},
        {R"(run "")", std::vector<std::string>{"run", ""}},
        {R"("unterminated)", std::nullopt},
        {R"("joined"text)", std::nullopt},
        {"%U", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [exec, arguments] : cases) {
        EXPECT_EQ(DesktopEntry::parse("[Desktop Entry]\nExec=" + exec + "\n").execArguments(), arguments) << exec;
    }
    EXPECT_EQ(DesktopEntry::parse("[Desktop Entry]\n").execArguments(), std::nullopt);
}

TEST(DesktopEntryTest, WrittenCommandLinesReadBackExactly) {
    const std::vector<std::vector<std::string>> commands = {
        {"/usr/bin/quorvel"},
        {"/home/a b/quorvel", "--flag", ""},
        {"/bin/sh", "-c", R"(echo "$1" `date` \ 100% > /tmp/x)", "sh", "it's"},
        {"/home/u/tab\tand\nline\rend/quorvel", "%U", "caf\u00E9"},
    };
    for (const auto& command : commands) {
        const std::string line = "[Desktop Entry]\nExec=" + DesktopEntry::execValue(command) + "\n";
        EXPECT_EQ(DesktopEntry::parse(line).execArguments(), command) << line;
    }
    EXPECT_EQ(DesktopEntry::execValue({"/usr/bin/quorvel", "--x"}), "/usr/bin/quorvel --x");
}

class DesktopEntryFindTest : public ::testing::Test {
protected:
    std::string install(const std::string& dataFolder, const std::string& id, const std::string& contents) {
        const std::string applications = folder / (dataFolder + "/applications");
        EXPECT_TRUE(files::createDirectories(applications));
        std::ofstream(applications + "/" + id) << contents;
        return applications + "/" + id;
    }

    TemporaryFolder folder;
    testing::ScopedEnvironmentVariable dataHome{"XDG_DATA_HOME", folder / "home"};
    testing::ScopedEnvironmentVariable dataDirs{"XDG_DATA_DIRS", folder / "system-a:" + folder.path() + "/system-b"};
};

TEST_F(DesktopEntryFindTest, SearchesTheUsersFolderFirstThenTheSystemsInOrder) {
    EXPECT_EQ(DesktopEntry::applicationFolders(),
              (std::vector<std::string>{folder / "home/applications", folder / "system-a/applications",
                                        folder / "system-b/applications"}));
    const std::string systemB = install("system-b", "kitty.desktop", "[Desktop Entry]\nExec=kitty\n");
    EXPECT_EQ(DesktopEntry::find("kitty.desktop"), systemB);
    const std::string user = install("home", "kitty.desktop", "[Desktop Entry]\nExec=kitty\n");
    EXPECT_EQ(DesktopEntry::find("kitty.desktop"), user);
    EXPECT_EQ(DesktopEntry::find("alacritty.desktop"), std::nullopt);
}

TEST_F(DesktopEntryFindTest, AnEntryHiddenByTheUserHidesTheSystemOne) {
    install("system-a", "kitty.desktop", "[Desktop Entry]\nExec=kitty\n");
    install("home", "kitty.desktop", "[Desktop Entry]\nHidden=true\n");
    EXPECT_EQ(DesktopEntry::find("kitty.desktop"), std::nullopt);
}

TEST_F(DesktopEntryFindTest, IdentifiersThatAreNotPlainNamesAreNotLookedUp) {
    install("home", "kitty.desktop", "[Desktop Entry]\nExec=kitty\n");
    for (const char* id : {"", "../applications/kitty.desktop", "sub/kitty.desktop", ".hidden.desktop"}) {
        EXPECT_EQ(DesktopEntry::find(id), std::nullopt) << id;
    }
}

}  // namespace
}  // namespace quorvel
