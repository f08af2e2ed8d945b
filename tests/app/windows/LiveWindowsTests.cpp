// The device window and the strip panel on a real X display with a window manager: their
// sizes, first places and remembered places, the strip's window-manager hints, and showing and
// hiding through the model. Skipped unless the run is on X11 with an EWMH window manager (the
// app_windows_x11 test entry).
#include <QGuiApplication>
#include <QWindow>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <signal.h>

#include "platform/qt/WindowFrameAutosave.hpp"
#include "platform/qt/X11WindowProperties.hpp"
#include "tests/app/windows/LiveWindowsTestbed.hpp"

namespace quorvel::testing {
namespace {

/// The window manager running on this test's display; absent when none is found.
std::optional<pid_t> windowManagerProcess() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr) return std::nullopt;
    const std::string ours = std::string("DISPLAY=") + display;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (!std::getline(comm, name) || name != "openbox") continue;
        std::ifstream environment(entry.path() / "environ");
        for (std::string variable; std::getline(environment, variable, '\0');) {
            if (variable == ours) return static_cast<pid_t>(std::stol(pid));
        }
    }
    return std::nullopt;
}

/// Holds a process stopped for its lifetime, as a busy machine holds back a window manager.
class StoppedProcess {
public:
    explicit StoppedProcess(pid_t pid) : pid_(pid) {
        ::kill(pid_, SIGSTOP);
        // The signal only asks: wait until the process is really stopped.
        waitUntil([this] {
            std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
            std::string line;
            std::getline(stat, line);
            const auto close = line.rfind(')');
            return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'T';
        });
    }
    ~StoppedProcess() { ::kill(pid_, SIGCONT); }
    StoppedProcess(const StoppedProcess&) = delete;
    StoppedProcess& operator=(const StoppedProcess&) = delete;

private:
    pid_t pid_;
};

TEST_F(LiveWindowsTest, TheDeviceComesUpCentredAtItsOwnSizeAndGoesThroughTheModel) {
    start();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));
    PaintedWindow* window = device();
    EXPECT_EQ(window->size(), window->content().size());
    EXPECT_GT(window->width(), 400);
    const QPoint centre = available().center();
    EXPECT_NEAR(window->geometry().center().x(), centre.x(), 2);
    EXPECT_NEAR(window->geometry().center().y(), centre.y(), 2);
    EXPECT_FALSE(window->isActiveWindow()) << "showing the device must not take the keyboard";

    testbed.windows->setDeviceVisible(false);
    EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    testbed.windows->setDeviceVisible(true);
    EXPECT_TRUE(waitUntil([&] { return mapped(window); }));
    EXPECT_EQ(device(), window) << "the same window comes back";

    // The window manager's close (Alt+F4) hides it through the model, like the hide key.
    window->close();
    EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_FALSE(testbed.windows->deviceVisible());
    EXPECT_EQ(testbed.defaults->boolValue("deviceVisible"), std::optional<bool>(false));
}

TEST_F(LiveWindowsTest, TheStripIsAToolPanelOnEveryWorkspaceThatTakesNoFocus) {
    start();
    // Even with the app in the taskbar, the strip stays out of it.
    taskbar.setShown(true);
    testbed.windows->setStripVisible(true);
    ASSERT_TRUE(waitUntil([&] { return mapped(strip()); }));
    QWindow& panel = *strip()->windowHandle();
    waitUntil([&] { return contains(X11WindowProperties::states(panel), "_NET_WM_STATE_SKIP_PAGER"); });
    const auto states = X11WindowProperties::states(panel);
    // Every workspace is _NET_WM_DESKTOP's "all"; STICKY (asked for too) is not kept by every
    // window manager.
    for (const char* state : {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        EXPECT_TRUE(contains(states, state)) << state << " among " << ::testing::PrintToString(states);
    }
    EXPECT_EQ(X11WindowProperties::desktop(panel), std::optional<std::uint32_t>(X11WindowProperties::allDesktops));
    EXPECT_TRUE(contains(X11WindowProperties::windowTypes(panel), "_NET_WM_WINDOW_TYPE_UTILITY"));
    EXPECT_EQ(X11WindowProperties::takesFocus(panel), std::optional<bool>(false));

    // First place: centred across the top, its top 8 below the top of the visible frame.
    EXPECT_NEAR(strip()->geometry().center().x(), available().center().x(), 2);
    EXPECT_EQ(strip()->geometry().top(), available().top() + 8);
    EXPECT_EQ(strip()->size(), strip()->content().size());

    testbed.windows->setStripVisible(false);
    EXPECT_TRUE(waitUntil([&] { return !strip()->isVisible(); }));
    // Hidden and shown again, the hints are set once more for the window manager to read.
    testbed.windows->setStripVisible(true);
    ASSERT_TRUE(waitUntil([&] { return mapped(strip()); }));
    EXPECT_TRUE(waitUntil([&] { return contains(X11WindowProperties::states(panel), "_NET_WM_STATE_SKIP_PAGER"); }));
}

TEST_F(LiveWindowsTest, TheStripShownAgainBeforeTheWindowManagerLetItGoKeepsItsHints) {
    const std::optional<pid_t> manager = windowManagerProcess();
    if (!manager) GTEST_SKIP() << "the window manager's process isn't to be found";
    start();
    testbed.windows->setStripVisible(true);
    ASSERT_TRUE(waitUntil([&] { return mapped(strip()); }));
    QWindow& panel = *strip()->windowHandle();
    {
        // A window manager held back by a busy machine takes in the hide only once the strip
        // is shown again, and then clears the hints the strip set for its next showing.
        StoppedProcess busy(*manager);
        testbed.windows->setStripVisible(false);
        testing::runEvents(100);
        testbed.windows->setStripVisible(true);
        testing::runEvents(100);
    }
    ASSERT_TRUE(waitUntil([&] { return mapped(strip()); }));
    EXPECT_TRUE(waitUntil([&] {
        const auto states = X11WindowProperties::states(panel);
        return contains(states, "_NET_WM_STATE_ABOVE") && contains(states, "_NET_WM_STATE_SKIP_TASKBAR") &&
               contains(states, "_NET_WM_STATE_SKIP_PAGER");
    })) << ::testing::PrintToString(X11WindowProperties::states(panel));
    EXPECT_TRUE(waitUntil([&] { return X11WindowProperties::desktop(panel) == X11WindowProperties::allDesktops; }));
}

TEST_F(LiveWindowsTest, ARememberedPlaceComesBackButNotASizeNorAPlaceOffEveryScreen) {
    json::Json frame = json::Json::object();
    frame["x"] = available().left() + 100;
    frame["y"] = available().top() + 120;
    frame["width"] = 10;
    frame["height"] = 10;
    testbed.defaults->setJson(WindowFrameAutosave::key(deviceWindowLook.autosaveName), frame);
    frame["x"] = 20000;  // a display that has gone
    testbed.defaults->setJson(WindowFrameAutosave::key(stripPanelLook.autosaveName), frame);
    testbed.defaults->setBool("stripVisible", true);
    start();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()) && mapped(strip()); }));
    EXPECT_EQ(device()->geometry().topLeft(), QPoint(available().left() + 100, available().top() + 120));
    EXPECT_EQ(device()->size(), device()->content().size());
    EXPECT_EQ(strip()->geometry().top(), available().top() + 8);

    // Moved by the user, remembered for the next run: both of them.
    const QPoint devicePlace(available().left() + 300, available().top() + 50);
    const QPoint stripPlace(available().left() + 40, available().bottom() - 300);
    device()->move(devicePlace);
    strip()->move(stripPlace);
    ASSERT_TRUE(waitUntil([&] {
        return device()->geometry().topLeft() == devicePlace && strip()->geometry().topLeft() == stripPlace;
    }));
    ASSERT_TRUE(waitUntil([&] {
        const auto device = WindowFrameAutosave::savedFrame(*testbed.defaults, deviceWindowLook.autosaveName);
        const auto strip = WindowFrameAutosave::savedFrame(*testbed.defaults, stripPanelLook.autosaveName);
        return device && device->topLeft() == devicePlace && strip && strip->topLeft() == stripPlace;
    }));
    testbed.reset();
    start();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()) && mapped(strip()); }));
    EXPECT_EQ(device()->geometry().topLeft(), devicePlace);
    EXPECT_EQ(strip()->geometry().topLeft(), stripPlace);
    EXPECT_EQ(strip()->size(), strip()->content().size());
}

TEST_F(LiveWindowsTest, CompactAndExpandSwapTheWindowsAndKeepTheirPlaces) {
    start();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));
    const QPoint devicePlace = device()->geometry().topLeft();
    auto& presenter = static_cast<DeviceWindowController&>(testbed.windows->deviceWindow()).presenter();
    presenter.compact();
    ASSERT_TRUE(waitUntil([&] { return mapped(strip()) && !device()->isVisible(); }));
    EXPECT_EQ(testbed.defaults->boolValue("stripVisible"), std::optional<bool>(true));
    EXPECT_EQ(testbed.defaults->boolValue("deviceVisible"), std::optional<bool>(false));

    static_cast<StripPanelController&>(testbed.windows->stripPanel()).presenter().expand();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()) && !strip()->isVisible(); }));
    EXPECT_EQ(device()->geometry().topLeft(), devicePlace);
    EXPECT_EQ(testbed.defaults->boolValue("stripVisible"), std::optional<bool>(false));
    EXPECT_EQ(testbed.defaults->boolValue("deviceVisible"), std::optional<bool>(true));
}

}  // namespace
}  // namespace quorvel::testing
