// The app binary's windows and its quitting as the user meets them, end to end: the stored
// choices the next launch reads, the tray's Quit, Ctrl+Q on the device, and how the windows are
// classed and titled.
#include "tests/app/end_to_end/AppEndToEndTestbed.hpp"

namespace quorvel {
namespace {

// The user's stored choices and the windows the app shows, as the next launch reads them.
class AppWindowsEndToEndTests : public AppEndToEndTests {
protected:
    KeyValueStore defaults() const { return KeyValueStore(home / ".config/quorvel/defaults.json"); }

    /// The stored visibility keys, as "absent", "true" or "false" each.
    std::pair<std::string, std::string> storedVisibility() const {
        const auto word = [](std::optional<bool> value) -> std::string {
            return value ? (*value ? "true" : "false") : "absent";
        };
        const KeyValueStore store = defaults();
        return {word(store.boolValue("deviceVisible")), word(store.boolValue("stripVisible"))};
    }

    bool shown(const std::string& title) {
        const std::vector<std::string> titles = x11.shownTitles();
        return std::find(titles.begin(), titles.end(), title) != titles.end();
    }

    /// Starts the app and waits until every window of `titles` is on screen.
    void startShowing(const std::vector<std::string>& titles) {
        ASSERT_TRUE(app.start());
        ASSERT_TRUE(app.endpoint()) << app.logText();
        for (const std::string& title : titles) {
            ASSERT_TRUE(waitForApp([&] { return shown(title); }))
                << title << " among " << ::testing::PrintToString(x11.shownTitles());
        }
    }

    /// The app ended at once (within 3 s) with status 0, and stored none of its windows as
    /// hidden on the way out: the keys are as the running app had them (`storedBefore`).
    void expectQuitCleanly(const std::pair<std::string, std::string>& storedBefore) {
        EXPECT_EQ(app.waitForExit(std::chrono::seconds(3)), std::optional<int>(0)) << app.logText();
        EXPECT_EQ(storedVisibility(), storedBefore);
    }

    testing::X11Input x11;
};

TEST_F(AppWindowsEndToEndTests, OneQuitFromTheTrayEndsTheAppWhicheverWindowsAreShowing) {
    ASSERT_TRUE(x11.connected());
    struct Case {
        const char* name;
        std::optional<bool> deviceVisible;
        std::optional<bool> stripVisible;
        bool setupShown;
        std::vector<std::string> menuItems;
        std::vector<std::string> titles;
    };
    const std::vector<Case> cases{
        {"device and strip", std::nullopt, true, true, {}, {"Quorvel", "Quorvel strip"}},
        {"device and settings", true, std::nullopt, true, {"Settings\u2026"}, {"Quorvel", "Quorvel settings"}},
        {"strip alone", false, true, true, {}, {"Quorvel strip"}},
        {"device, setup and finished", std::nullopt, false, false, {"Finished\u2026"}, {"Quorvel", "Set up Quorvel", "Finished"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        KeyValueStore store = defaults();
        store.remove("deviceVisible");
        store.remove("stripVisible");
        if (test.deviceVisible) store.setBool("deviceVisible", *test.deviceVisible);
        if (test.stripVisible) store.setBool("stripVisible", *test.stripVisible);
        store.setBool("setupShown", test.setupShown);
        offerTray();
        startShowing({});
        for (const std::string& item : test.menuItems) clickMenuItem(QString::fromStdString(item));
        for (const std::string& title : test.titles) {
            ASSERT_TRUE(waitForApp([&] { return shown(title); }))
                << title << " among " << ::testing::PrintToString(x11.shownTitles());
        }
        // A run comes in just before: it is in the list the app leaves behind.
        const std::optional<Endpoint> endpoint = app.endpoint();
        ASSERT_TRUE(endpoint);
        ASSERT_EQ(postedStatus(*endpoint, eventJson("UserPromptSubmit", "s1", 10, "the last run")), 202);
        ASSERT_EQ(postedStatus(*endpoint, eventJson("Stop", "s1", 0)), 202);
        // What the running app has stored of the user's choices (showing a window stores it).
        const auto before = storedVisibility();
        clickMenuItem(QStringLiteral("Quit Quorvel"));
        expectQuitCleanly(before);
        ASSERT_EQ(app.finished().size(), 1u) << app.logText();
        EXPECT_EQ(app.finished()[0].title, "the last run");
        // The next launch starts afresh, with a tray of its own.
        withdrawTray();
        ::unlink((app.appSupport() + "/finished.json").c_str());
    }
}

TEST_F(AppWindowsEndToEndTests, WithoutATrayCtrlQOnTheDeviceQuits) {
    ASSERT_TRUE(x11.connected());
    defaults().setBool("setupShown", true);
    startShowing({"Quorvel"});
    ASSERT_TRUE(waitForApp([&] { return defaults().boolValue("deviceVisible") == std::optional<bool>(true); }));
    const auto before = storedVisibility();
    const auto device = x11.placeOf("Quorvel");
    ASSERT_TRUE(device);
    // On the casing by the left edge, where no control lies; a click there gives the device
    // the keyboard where a window manager hands it out, and moves nothing.
    x11.movePointer(device->x + 20, device->y + 200);
    x11.pressButton();
    x11.releaseButton();
    runEvents(300);
    x11.typeChord({testing::X11Input::controlKey, 'q'});
    expectQuitCleanly(before);
}

TEST_F(AppWindowsEndToEndTests, WindowsAreClassedAfterTheLauncherEntry) {
    ASSERT_TRUE(x11.connected());
    startShowing({"Quorvel"});
    // The class the desktop matches against the launcher entry's name and its StartupWMClass.
    const auto entry = files::readFile(QUORVEL_DESKTOP_FILE);
    ASSERT_TRUE(entry);
    EXPECT_NE(entry->find("\nStartupWMClass=quorvel\n"), std::string::npos) << *entry;
    EXPECT_EQ(std::filesystem::path(QUORVEL_DESKTOP_FILE).filename(), "quorvel.desktop");
    const auto windowClass = x11.windowClassOf("Quorvel");
    ASSERT_TRUE(windowClass);
    EXPECT_EQ(windowClass->first, "quorvel");
    EXPECT_EQ(windowClass->second, "quorvel");
}

TEST_F(AppWindowsEndToEndTests, WindowTitlesAreExactlyTheirOwn) {
    ASSERT_TRUE(x11.connected());
    defaults().setBool("stripVisible", true);
    offerTray();
    startShowing({"Quorvel", "Quorvel strip", "Set up Quorvel"});
    clickMenuItem(QStringLiteral("Settings\u2026"));
    clickMenuItem(QStringLiteral("Finished\u2026"));
    ASSERT_TRUE(waitForApp([&] { return shown("Quorvel settings") && shown("Finished"); }))
        << ::testing::PrintToString(x11.shownTitles());
    for (const std::string& title : x11.shownTitles()) {
        EXPECT_EQ(title.find("\u2014"), std::string::npos) << title;
    }
}

}  // namespace
}  // namespace quorvel
