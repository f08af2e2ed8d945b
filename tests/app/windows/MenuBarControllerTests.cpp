#include "app/menu/tray/MenuBarController.hpp"

#include <QAction>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/assembly/QuorvelMacApp.hpp"
#include "tests/app/windows/AppWindowsTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppWindowsTestbed;
using testing::settle;

class MenuBarControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        testbed.make();
        controller = std::make_unique<MenuBarController>(testbed.sources->menu(), *testbed.windows, extra, designSheet, testbed.clock);
    }

    const MenuItem* item(const std::string& title) const {
        const auto& items = extra.items();
        const auto found = std::find_if(items.begin(), items.end(), [&](const MenuItem& each) { return each.title == title; });
        return found != items.end() ? &*found : nullptr;
    }

    AppWindowsTestbed testbed;
    MenuBarExtra extra{"Quorvel"};
    DesignSheetScene designSheet;
    std::unique_ptr<MenuBarController> controller;
};

TEST_F(MenuBarControllerTest, TheMenuFollowsTheModel) {
    EXPECT_EQ(extra.items().front().title, "ALL QUIET. NO BABYSITTING.");
    EXPECT_EQ(extra.symbol(), "terminal");
    ASSERT_NE(item("Hooks: off"), nullptr);

    HookEvent prompt = testbed.event("UserPromptSubmit", "s1", 65);
    prompt.promptFirstLine = "fix the build";
    testbed.model->sessions().handleHookEvent(prompt, true);
    testbed.model->device().setMuted(true);
    settle();
    EXPECT_EQ(extra.items().front().title, "kitty \u00B7 GRINDING. GO MAKE A TEA. \u00B7 fix the build \u00B7 1m 05s");
    EXPECT_EQ(extra.symbol(), "terminal.fill");
    EXPECT_TRUE(item("Mute")->checked);
}

TEST_F(MenuBarControllerTest, ClicksReachTheModel) {
    controller->perform("showStrip", true);
    controller->perform("mute", true);
    settle();
    EXPECT_TRUE(testbed.windows->stripVisible());
    EXPECT_TRUE(testbed.model->device().muted());
    EXPECT_TRUE(item("Show compact strip")->checked);

    testbed.windowRecord.events.clear();
    controller->perform("showSettings", false);
    controller->perform("showFinished", false);
    controller->perform("showSetup", false);
    EXPECT_EQ(testbed.windowRecord.events,
              (std::vector<std::string>{"make QuorvelSettings", "show QuorvelSettings", "make QuorvelFinished",
                                        "show QuorvelFinished", "show QuorvelSetup"}));

    controller->perform("designSheet", false);
    ASSERT_NE(designSheet.window(), nullptr);
    EXPECT_EQ(designSheet.window()->windowTitle(), "Quorvel design sheet");
    designSheet.window()->hide();
}

TEST_F(MenuBarControllerTest, EveryOtherItemReachesItsUserAction) {
    ASSERT_TRUE(files::createDirectories(testbed.home / ".claude"));
    controller->perform("installHooksRecording", false);
    settle();
    EXPECT_EQ(testbed.model->hooks().hookStatus(), HookInstaller::Status::installed(true));
    EXPECT_NE(item("Hooks: on, recording"), nullptr);
    // Both ways out of recording mode are offered.
    ASSERT_NE(item("Turn on hooks"), nullptr);
    ASSERT_NE(item("Turn off hooks"), nullptr);

    // The installer names its backups to the millisecond; no one clicks faster.
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    controller->perform("installHooks", false);
    settle();
    EXPECT_NE(item("Hooks: on"), nullptr);
    EXPECT_EQ(item("Turn on hooks"), nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    controller->perform("removeHooks", false);
    settle();
    EXPECT_NE(item("Hooks: off"), nullptr);

    controller->perform("launchAtLogin", true);
    settle();
    EXPECT_EQ(testbed.model->hooks().launchAtLogin(), LaunchAtLogin::Status::enabled);
    EXPECT_TRUE(item("Start at login")->checked);
    controller->perform("launchAtLogin", false);
    settle();
    EXPECT_FALSE(item("Start at login")->checked);

    controller->perform("openRecordingsFolder", false);
    EXPECT_EQ(testbed.recorded.openedFolders, (std::vector<std::string>{testbed.model->paths().captures()}));
    controller->perform("turnOnBanners", false);
    EXPECT_EQ(testbed.recorded.notificationSettingsOpened, 1);
    EXPECT_TRUE(testbed.recorded.errorAlerts.empty());
}

TEST(MenuBarControllerSimulateTest, TheFourSimulateItemsRunTheHelperWithTheirStates) {
    AppWindowsTestbed testbed;
    const std::string arguments = testbed.home / "arguments.txt";
    const std::string source = testbed.home / "recording-helper";
    ASSERT_TRUE(files::writeFileAtomically(source, "#!/bin/sh\necho \"$@\" >> '" + arguments + "'\n", 0755));
    testbed.helperSource = source;
    testbed.make();
    MenuBarExtra extra{"Quorvel"};
    DesignSheetScene designSheet;
    MenuBarController controller(testbed.sources->menu(), *testbed.windows, extra, designSheet, testbed.clock);
    for (const char* action : {"simulateDone", "simulateNeedsYou", "simulateBroke", "simulateCrashed"}) {
        controller.perform(action, false);
    }
    settle();
    const auto written = files::readFile(arguments);
    EXPECT_EQ(written ? *written : "",
              "--simulate done\n--simulate needsyou\n--simulate broke\n--simulate crashed\n");
}

TEST_F(MenuBarControllerTest, TheProblemOfTheSettingsFileIsShownWithTheHookLines) {
    ASSERT_TRUE(files::createDirectories(testbed.home / ".claude"));
    ASSERT_TRUE(files::writeFileAtomically(testbed.home / ".claude/settings.json", "{ not json"));
    testbed.model->hooks().refreshHookStatus();
    settle();
    ASSERT_NE(item("Hooks: problem with settings file"), nullptr);
    EXPECT_EQ(item("Turn on hooks"), nullptr);
    ASSERT_NE(item("Turn off hooks"), nullptr);
    const auto& items = extra.items();
    const auto problem = std::find_if(items.begin(), items.end(), [](const MenuItem& each) {
        return each.title == "Hooks: problem with settings file";
    });
    EXPECT_EQ(std::next(problem)->title, testbed.model->hooks().hookStatus().message);
}

TEST_F(MenuBarControllerTest, SessionLinesAndTheSymbolFollowTheSessions) {
    MenuSource& menu = testbed.sources->menu();
    AppModel& model = *testbed.model;
    EXPECT_EQ(menu.menuBarSymbol(), "terminal");
    const auto lineOf = [&](const std::string& session) {
        const MenuBarMenu::Snapshot snapshot = menu.menuSnapshot(testbed.clock->current);
        return MenuBarMenu::sessionLine(model.sessions().machine().sessions.at(session), snapshot.sessions.size(), snapshot.now);
    };

    HookEvent first = testbed.event("SessionStart", "s1");
    first.termProgram = std::nullopt;
    model.sessions().handleHookEvent(first, true);
    EXPECT_EQ(lineOf("s1").rfind("TERMINAL \u00B7 ", 0), 0u) << lineOf("s1");

    testbed.finishRun("s2");
    EXPECT_EQ(lineOf("s1").rfind("TERMINAL 01 \u00B7 ", 0), 0u);
    EXPECT_EQ(lineOf("s2").rfind("TERMINAL 02 \u00B7 DONE. GO LOOK.", 0), 0u) << lineOf("s2");
    EXPECT_EQ(menu.menuBarSymbol(), "checkmark.circle");
    settle();
    EXPECT_EQ(extra.symbol(), "checkmark.circle");
}

TEST_F(MenuBarControllerTest, TheDelegatesNoticesReachTheModelWhileItExists) {
    AppNotifications notifications;
    QuorvelMacApp::observeNotifications(notifications, *testbed.model, *testbed.windows);
    testbed.windows->setDeviceVisible(false);
    settle();
    notifications.post(AppNotifications::dockIconClicked);
    settle();
    EXPECT_TRUE(testbed.windows->deviceVisible());
    EXPECT_EQ(testbed.defaults->boolValue("deviceVisible"), std::optional<bool>(true));

    testbed.recorded.syncCalls.clear();
    notifications.post(AppNotifications::phoneRecordsChanged);
    settle();
    EXPECT_FALSE(testbed.recorded.syncCalls.empty());

    controller.reset();
    testbed.reset();
    notifications.post(AppNotifications::dockIconClicked);
    notifications.post(AppNotifications::phoneRecordsChanged);
    settle();
}

}  // namespace
}  // namespace quorvel
