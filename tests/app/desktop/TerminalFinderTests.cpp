#include "app/desktop/TerminalFinder.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "tests/support/DesktopServiceLog.hpp"

namespace quorvel {
namespace {

using testing::DesktopServiceLog;

TEST(TerminalFinderTest, ProgramNamesMapToApplicationsWhateverTheirCase) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>> cases = {
        {"Apple_Terminal", "com.apple.Terminal"},
        {"iTerm.app", "com.googlecode.iterm2"},
        {"ITERM.APP", "com.googlecode.iterm2"},
        {"iterm.app", "com.googlecode.iterm2"},
        {"WarpTerminal", "dev.warp.Warp-Stable"},
        {"vscode", "com.microsoft.VSCode"},
        {"cursor", "com.todesktop.230313mzl4w4u92"},
        {"ghostty", "com.mitchellh.ghostty"},
        {"Hyper", "co.zeit.hyper"},
        {"kitty", "net.kovidgoyal.kitty"},
        {"Alacritty", "org.alacritty"},
        {"WezTerm", "com.github.wez.wezterm"},
        {"Tabby", "org.tabby"},
        {"gnome-terminal", "org.gnome.Terminal"},
        {"konsole", "org.kde.konsole"},
        {"xfce4-terminal", "org.xfce.terminal"},
        {"tilix", "com.gexperts.Tilix"},
        {"terminator", "terminator"},
        {"mate-terminal", "org.mate.terminal"},
        {"lxterminal", "lxterminal"},
        {"XTerm", "xterm"},
        {"tmux", std::nullopt},
        {"iterm", std::nullopt},
        {" kitty", std::nullopt},
        {"", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& [program, bundle] : cases) {
        EXPECT_EQ(TerminalFinder::bundleIdentifier(program), bundle) << program.value_or("(none)");
    }
}

TEST(TerminalFinderTest, WindowScriptsAreExactForTerminalAndITerm) {
    EXPECT_EQ(TerminalFinder::windowScript("com.apple.Terminal", "site"),
              "tell application \"Terminal\"\n"
              "    repeat with w in windows\n"
              "        if name of w contains \"site\" then\n"
              "            set index of w to 1\n"
              "            exit repeat\n"
              "        end if\n"
              "    end repeat\n"
              "end tell");
    EXPECT_EQ(TerminalFinder::windowScript("com.googlecode.iterm2", "site"),
              "tell application \"iTerm\"\n"
              "    repeat with w in windows\n"
              "        repeat with t in tabs of w\n"
              "            if name of current session of t contains \"site\" then\n"
              "                select t\n"
              "                select w\n"
              "                exit repeat\n"
              "            end if\n"
              "        end repeat\n"
              "    end repeat\n"
              "end tell");
    for (const char* other : {"com.microsoft.VSCode", "net.kovidgoyal.kitty", "com.apple.terminal", ""}) {
        EXPECT_EQ(TerminalFinder::windowScript(other, "site"), std::nullopt) << other;
    }
}

TEST(TerminalFinderTest, WindowScriptEscapesQuotesAndBackslashesInTheFolderName) {
    const auto script = TerminalFinder::windowScript("com.apple.Terminal", R"(my "app"\v2)");
    ASSERT_TRUE(script);
    EXPECT_NE(script->find(R"(contains "my \"app\"\\v2" then)"), std::string::npos) << *script;
}

TEST(TerminalFinderTest, FolderNameIsTheLastPathComponent) {
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {std::nullopt, ""}, {"", ""},          {"/", "/"},           {"//", "/"},
        {"/a/b/site", "site"}, {"/a/b/site/", "site"}, {"site", "site"}, {"/a/my site", "my site"},
    };
    for (const auto& [cwd, folder] : cases) EXPECT_EQ(TerminalFinder::folderName(cwd), folder) << cwd.value_or("(none)");
}

// The desktop as the finder sees it: windows (class, title) and installed entries.
struct FakeDesktop {
    struct Window {
        std::string windowClass;
        std::string title;
    };
    struct Activation {
        std::vector<std::string> classes;
        std::string title;
        bool operator==(const Activation&) const = default;
    };
    std::vector<Window> windows;
    std::vector<std::string> installed;
    std::optional<std::string> failure;
    std::vector<Activation> activations;
    std::optional<Window> activated;
    std::vector<std::string> openAttempts;
    std::optional<std::string> opened;
};

class FakeWindowActivator final : public WindowActivator {
public:
    explicit FakeWindowActivator(FakeDesktop& desktop) : desktop_(desktop) {}
    Expected<bool, DesktopError> activate(const std::vector<std::string>& classes,
                                          std::string_view titleContains) override {
        desktop_.activations.push_back({classes, std::string(titleContains)});
        if (desktop_.failure) return unexpected(DesktopError{*desktop_.failure});
        for (const auto& window : desktop_.windows) {
            if (std::find(classes.begin(), classes.end(), window.windowClass) == classes.end()) continue;
            if (window.title.find(titleContains) == std::string::npos) continue;
            desktop_.activated = window;
            return true;
        }
        return false;
    }

private:
    FakeDesktop& desktop_;
};

class FakeLauncher final : public ApplicationLauncher {
public:
    explicit FakeLauncher(FakeDesktop& desktop) : desktop_(desktop) {}
    bool open(std::string_view id) override {
        desktop_.openAttempts.emplace_back(id);
        if (std::find(desktop_.installed.begin(), desktop_.installed.end(), id) == desktop_.installed.end()) return false;
        desktop_.opened = std::string(id);
        return true;
    }

private:
    FakeDesktop& desktop_;
};

class TerminalFinderBringForwardTest : public ::testing::Test {
protected:
    void bringForward(const std::optional<std::string>& program, const std::optional<std::string>& cwd) {
        TerminalFinder finder(std::make_unique<FakeWindowActivator>(desktop), std::make_unique<FakeLauncher>(desktop));
        finder.bringForward(program, cwd);
    }

    DesktopServiceLog log;
    FakeDesktop desktop;
};

TEST_F(TerminalFinderBringForwardTest, RaisesTheWindowThatNamesTheFolder) {
    desktop.windows = {{"kitty", "~/other"}, {"kitty", "u@h: ~/code/site"}};
    bringForward("kitty", "/home/u/code/site");
    ASSERT_TRUE(desktop.activated);
    EXPECT_EQ(desktop.activated->title, "u@h: ~/code/site");
    EXPECT_EQ(desktop.activations, (std::vector<FakeDesktop::Activation>{{{"kitty"}, "site"}}));
    EXPECT_TRUE(desktop.openAttempts.empty());
    EXPECT_TRUE(log.lines("Terminal").empty());
}

TEST_F(TerminalFinderBringForwardTest, WithoutAMatchingTitleAnyWindowOfTheTerminalComesForward) {
    desktop.windows = {{"alacritty", "htop"}};
    bringForward("Alacritty", "/home/u/site");
    ASSERT_TRUE(desktop.activated);
    EXPECT_EQ(desktop.activated->title, "htop");
    EXPECT_EQ(desktop.activations.size(), 2u);
    EXPECT_TRUE(desktop.openAttempts.empty());
}

TEST_F(TerminalFinderBringForwardTest, WithoutAFolderNoTitleIsSearchedAndTheRootStillWorks) {
    desktop.windows = {{"kitty", "anything"}};
    bringForward("kitty", std::nullopt);
    EXPECT_EQ(desktop.activations, (std::vector<FakeDesktop::Activation>{{{"kitty"}, ""}}));
    ASSERT_TRUE(desktop.activated);

    desktop.activations.clear();
    bringForward("kitty", "/");
    EXPECT_EQ(desktop.activations.front().title, "/");
}

TEST_F(TerminalFinderBringForwardTest, ATerminalThatIsNotRunningIsStartedFromTheFirstInstalledEntry) {
    desktop.installed = {"code_code.desktop"};
    bringForward("vscode", "/home/u/site");
    EXPECT_EQ(desktop.openAttempts, (std::vector<std::string>{"code.desktop", "code_code.desktop"}));
    EXPECT_EQ(desktop.opened, "code_code.desktop");
    EXPECT_TRUE(log.lines("Terminal").empty());
}

TEST_F(TerminalFinderBringForwardTest, LinuxTerminalsNamedByTheirOwnVariablesAreRaisedOrStarted) {
    // GNOME Terminal's windows belong to its server process and are classed after it.
    desktop.windows = {{"gnome-terminal-server", "u@h: ~/code/site"}};
    bringForward("gnome-terminal", "/home/u/code/site");
    ASSERT_TRUE(desktop.activated);
    EXPECT_EQ(desktop.activated->title, "u@h: ~/code/site");

    for (const char* program : {"konsole", "xfce4-terminal", "tilix", "terminator", "mate-terminal", "lxterminal", "xterm"}) {
        desktop = {};
        desktop.windows = {{program, "site : bash"}};
        bringForward(program, "/home/u/site");
        EXPECT_TRUE(desktop.activated) << program;
    }

    desktop = {};
    desktop.installed = {"org.xfce.terminal.desktop"};
    bringForward("xfce4-terminal", "/home/u/site");
    EXPECT_EQ(desktop.opened, "org.xfce.terminal.desktop");
    EXPECT_TRUE(log.lines("Terminal").empty());
}

TEST_F(TerminalFinderBringForwardTest, ATerminalNeitherRunningNorInstalledIsLeftSilently) {
    bringForward("ghostty", "/home/u/site");
    EXPECT_EQ(desktop.opened, std::nullopt);
    EXPECT_TRUE(log.lines("Terminal").empty());
}

TEST_F(TerminalFinderBringForwardTest, UnknownTerminalsAreLoggedAndLeftAlone) {
    bringForward("tmux", "/home/u/site");
    bringForward(std::nullopt, "/home/u/site");
    EXPECT_TRUE(desktop.activations.empty());
    EXPECT_TRUE(desktop.openAttempts.empty());
    EXPECT_EQ(log.lines("Terminal"), (std::vector<std::string>{
                                         "info Unknown terminal tmux; nothing to bring forward",
                                         "info Unknown terminal nil; nothing to bring forward",
                                     }));
}

TEST_F(TerminalFinderBringForwardTest, MacOnlyTerminalsDoNothing) {
    bringForward("Apple_Terminal", "/Users/u/site");
    bringForward("iTerm.app", "/Users/u/site");
    EXPECT_TRUE(desktop.activations.empty());
    EXPECT_TRUE(desktop.openAttempts.empty());
    EXPECT_TRUE(log.lines("Terminal").empty());
}

TEST_F(TerminalFinderBringForwardTest, WindowsThatCantBeLookedAtAreLoggedAndNothingIsStarted) {
    desktop.failure = "no X11 display to look for windows on";
    desktop.installed = {"kitty.desktop"};
    bringForward("kitty", "/home/u/site");
    EXPECT_TRUE(desktop.openAttempts.empty());
    EXPECT_EQ(log.lines("Terminal"),
              (std::vector<std::string>{"info Window match skipped: no X11 display to look for windows on"}));
}

}  // namespace
}  // namespace quorvel
