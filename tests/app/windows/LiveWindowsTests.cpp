// The device window and the strip panel on a real X display with a window manager: their
// sizes, first places and remembered places, the strip's window-manager hints, showing and
// hiding through the model, the context menu, what assistive tools see and what the screen
// shows of the finished window. Skipped unless the run is on X11 with an EWMH window manager
// (the app_windows_x11 test entry).
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <filesystem>
#include <signal.h>
#include <sys/stat.h>

#include "app/menu/tray/MenuBarController.hpp"
#include "app/windows/device/PaintedWindowController.hpp"
#include "app/windows/finished/FinishedView.hpp"
#include "app/windows/hosting/HostedWindow.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/Painting.hpp"
#include "platform/qt/MenuBarExtra.hpp"
#include "platform/qt/TaskbarPresence.hpp"
#include "platform/qt/WindowFrameAutosave.hpp"
#include "platform/qt/X11WindowProperties.hpp"
#include "tests/app/windows/AppWindowsTestbed.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/QtEventLoop.hpp"
#include "tests/support/TemporaryFolder.hpp"
#include "tests/support/X11Input.hpp"

namespace quorvel {
namespace {

using testing::AppWindowsTestbed;
using testing::waitUntil;

bool windowManagerRunning() { return testing::X11Input().windowManagerRunning(); }

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

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

class LiveWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The window manager may still be starting beside the test.
        if (QGuiApplication::platformName() != QLatin1String("xcb") || !waitUntil(windowManagerRunning, 5000)) {
            GTEST_SKIP() << "needs an X display with a window manager";
        }
        testbed.realWindows = true;
        testbed.links.openMenu = [this](QPoint at) {
            menuOpenedAt = at;
            if (extra) extra->menu().popup(at);
        };
    }
    void TearDown() override {
        controller.reset();
        extra.reset();
        testbed.reset();
    }

    AppModel& start() {
        testbed.make();
        return *testbed.model;
    }

    PaintedWindow* device() { return static_cast<DeviceWindowController&>(testbed.windows->deviceWindow()).window(); }
    PaintedWindow* strip() { return static_cast<StripPanelController&>(testbed.windows->stripPanel()).window(); }

    static bool mapped(QWidget* window) {
        return window != nullptr && window->isVisible() && window->windowHandle() != nullptr &&
               window->windowHandle()->isExposed();
    }
    static QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    /// A shell command that broke just now.
    FinishedRun failedBuild() const {
        FinishedRun failed;
        failed.chip = FinishedRun::Chip::shell;
        failed.title = "pnpm build";
        failed.ok = false;
        failed.project = "tessaloom";
        failed.sessionID = "s1";
        failed.finishedAt = testbed.clock->now();
        return failed;
    }

    TaskbarPresence taskbar;
    AppWindowsTestbed testbed;
    std::unique_ptr<MenuBarExtra> extra;
    std::unique_ptr<MenuBarController> controller;
    DesignSheetScene designSheet;
    std::optional<QPoint> menuOpenedAt;
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

TEST_F(LiveWindowsTest, ARightClickOpensTheTraysOwnMenuWhoseItemsReachTheModel) {
    start();
    extra = std::make_unique<MenuBarExtra>(QStringLiteral("Quorvel"));
    controller = std::make_unique<MenuBarController>(testbed.sources->menu(), *testbed.windows, *extra, designSheet, testbed.clock);
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));

    const QPoint inside(20, 200);
    QContextMenuEvent click(QContextMenuEvent::Mouse, inside, device()->mapToGlobal(inside));
    QCoreApplication::sendEvent(device(), &click);
    ASSERT_EQ(menuOpenedAt, std::optional<QPoint>(device()->mapToGlobal(inside)));
    ASSERT_TRUE(waitUntil([&] { return extra->menu().isVisible(); }));

    std::vector<std::string> shown;
    for (QAction* action : extra->menu().actions()) {
        if (!action->isSeparator()) shown.push_back(action->text().toStdString());
    }
    std::vector<std::string> tray;
    for (const MenuItem& item : extra->items()) {
        if (item.kind != MenuItem::Kind::separator) tray.push_back(MenuBarExtra::menuText(item.title).toStdString());
    }
    EXPECT_EQ(shown, tray);

    for (QAction* action : extra->menu().actions()) {
        if (action->text() == QStringLiteral("Show compact strip")) action->trigger();
    }
    extra->menu().hide();
    EXPECT_TRUE(waitUntil([&] { return testbed.windows->stripVisible() && mapped(strip()); }));

    // The strip opens the same menu, and so does the keyboard's menu key on the device.
    menuOpenedAt.reset();
    QContextMenuEvent onStrip(QContextMenuEvent::Mouse, QPoint(300, 60), strip()->mapToGlobal(QPoint(300, 60)));
    QCoreApplication::sendEvent(strip(), &onStrip);
    EXPECT_EQ(menuOpenedAt, std::optional<QPoint>(strip()->mapToGlobal(QPoint(300, 60))));
    ASSERT_TRUE(waitUntil([&] { return extra->menu().isVisible(); }));
    extra->menu().hide();

    menuOpenedAt.reset();
    const QPoint middle = device()->rect().center();
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, middle, device()->mapToGlobal(middle));
    QCoreApplication::sendEvent(device(), &menuKey);
    EXPECT_EQ(menuOpenedAt, std::optional<QPoint>(device()->mapToGlobal(middle)));
    ASSERT_TRUE(waitUntil([&] { return extra->menu().isVisible(); }));
    extra->menu().hide();
}

TEST_F(LiveWindowsTest, AssistiveToolsSeeEveryPaintedControlWithItsLabelAndCanPressIt) {
    AppModel& model = start();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(device());
    ASSERT_NE(face, nullptr);
    std::map<std::string, QAccessibleInterface*> byName;
    for (int index = 0; index < face->childCount(); ++index) {
        QAccessibleInterface* child = face->child(index);
        ASSERT_NE(child, nullptr);
        EXPECT_FALSE(child->rect().isEmpty());
        EXPECT_TRUE(device()->geometry().adjusted(-1, -1, 1, 1).contains(child->rect())) << child->text(QAccessible::Name).toStdString();
        byName[child->text(QAccessible::Name).toStdString()] = child;
    }
    for (const char* name : {"Compact strip", "Hide", "RUNNING, 0", "FINISHED, 0", "Volume", "CLAUDE", "SHELL",
                             "FAILS ONLY", "TEST THE ALARM", "SEEN IT", "nothing running. go start something."}) {
        EXPECT_EQ(byName.count(name), 1u) << name;
    }
    EXPECT_EQ(byName["Volume"]->role(), QAccessible::Slider);
    EXPECT_EQ(byName["Volume"]->text(QAccessible::Value), QStringLiteral("82 percent"));
    EXPECT_EQ(byName["CLAUDE"]->text(QAccessible::Value), QStringLiteral("on"));
    EXPECT_TRUE(byName["RUNNING, 0"]->state().selected);
    EXPECT_TRUE(byName["SEEN IT"]->state().disabled);

    byName["TEST THE ALARM"]->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(model.device().alarmTestStep(), std::optional<int>(0));
    byName["FAILS ONLY"]->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(model.device().controls().failsOnly);
    // The empty list's line is read, not pressed.
    EXPECT_TRUE(byName["nothing running. go start something."]->actionInterface()->actionNames().isEmpty());
}

TEST_F(LiveWindowsTest, AssistiveToolsReadTheFinishedRowsOnceTheirTabIsPicked) {
    AppModel& model = start();
    model.sessions().setFinished({failedBuild()});
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(device());
    ASSERT_NE(face, nullptr);
    const auto named = [&](const std::function<bool(const QString&)>& wanted) -> QAccessibleInterface* {
        for (int index = 0; index < face->childCount(); ++index) {
            QAccessibleInterface* child = face->child(index);
            if (child != nullptr && wanted(child->text(QAccessible::Name))) return child;
        }
        return nullptr;
    };
    QAccessibleInterface* finishedTab = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        finishedTab = named([](const QString& name) { return name == QStringLiteral("FINISHED, 1"); });
        return finishedTab != nullptr;
    }));
    finishedTab->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(finishedTab->state().selected);

    QAccessibleInterface* row = named([](const QString& name) { return name.startsWith(QStringLiteral("pnpm build, BROKE")); });
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->role(), QAccessible::StaticText);
    EXPECT_TRUE(row->text(QAccessible::Name).contains(QStringLiteral("tessaloom")));
    EXPECT_TRUE(row->actionInterface()->actionNames().isEmpty()) << "finished rows take no taps";
    EXPECT_TRUE(device()->geometry().adjusted(-1, -1, 1, 1).contains(row->rect()));
}

// How much of `window` the screen shows as the window paints it, and how much of it shows the
// chassis colour the list and the footer lie on. The screen is read where the window lies, as
// a monitor shows it (`xwd -root` instead reads a window lying wholly inside another of the
// same visual and colour map through that other one, and so shows it black).
struct OnScreen {
    double asPainted = 0;
    double chassis = 0;
};

OnScreen onScreen(QWidget& window) {
    const QRect area = window.geometry();
    const QImage shown = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    const QImage painted = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.isNull() || shown.size() != painted.size()) return {};
    const auto alike = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
               std::abs(a.blue() - b.blue()) <= 8;
    };
    const QColor chassis = drawing::toQColor(Tokens::chassis);
    long asPainted = 0;
    long onChassis = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            asPainted += alike(shown.pixelColor(x, y), painted.pixelColor(x, y)) ? 1 : 0;
            onChassis += alike(shown.pixelColor(x, y), chassis) ? 1 : 0;
        }
    }
    const double pixels = static_cast<double>(shown.width()) * shown.height();
    return {asPainted / pixels, onChassis / pixels};
}

TEST_F(LiveWindowsTest, TheFinishedWindowOverTheSetupWindowShowsItsListAndFooterOnTheScreen) {
    // A fresh home: the setup window comes up, and the finished window lies wholly inside it.
    AppModel& model = start();
    QWidget* setup = static_cast<HostedWindow&>(testbed.windows->setupWindow()).window();
    ASSERT_TRUE(waitUntil([&] { return mapped(setup); }));
    testbed.windows->showFinished();
    QWidget* window = static_cast<HostedWindow&>(testbed.windows->finishedWindow()).window();
    ASSERT_TRUE(waitUntil([&] { return mapped(window); }));
    ASSERT_TRUE(setup->geometry().contains(window->geometry()));
    auto* view = window->findChild<FinishedView*>();
    ASSERT_NE(view, nullptr);

    const auto expectShownAsPainted = [](QWidget& shown) {
        EXPECT_TRUE(waitUntil([&] { return onScreen(shown).asPainted > 0.99; }))
            << "shown as painted: " << onScreen(shown).asPainted;
        EXPECT_GT(onScreen(shown).chassis, 0.5);
    };
    // Empty, then with rows: each time the screen shows the list and the footer as painted.
    expectShownAsPainted(*window);
    EXPECT_EQ(view->caption().text(), QStringLiteral("0 entries, last 50 kept"));

    const FinishedRun failed = failedBuild();
    FinishedRun done = failed;
    done.chip = FinishedRun::Chip::claude;
    done.title = "refactor the parser";
    done.ok = true;
    done.duration = 310;
    done.sessionID = "s2";
    model.sessions().setFinished({failed, done});
    ASSERT_TRUE(waitUntil([&] { return view->caption().text() == QStringLiteral("2 entries, last 50 kept"); }));
    expectShownAsPainted(*window);
}

}  // namespace
}  // namespace quorvel

namespace quorvel {
namespace {

using namespace std::chrono_literals;

const std::string appPath = QUORVEL_BINARY_DIR "/bin/quorvel";

// The built app on the test's display, with a home whose stored defaults the test chooses.
class LiveWindowsStartUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || !waitUntil(windowManagerRunning, 5000)) {
            GTEST_SKIP() << "needs an X display with a window manager";
        }
        ::mkdir(runtime.c_str(), 0700);
        ::mkdir(home.c_str(), 0700);
    }

    void store(bool deviceVisible, bool stripVisible) {
        KeyValueStore defaults(home + "/.config/quorvel/defaults.json");
        defaults.setBool("setupShown", true);
        defaults.setBool("deviceVisible", deviceVisible);
        defaults.setBool("stripVisible", stripVisible);
    }
    std::optional<bool> deviceVisible() const {
        return KeyValueStore(home + "/.config/quorvel/defaults.json").boolValue("deviceVisible");
    }

    ::quorvel::testing::TemporaryFolder folder;
    std::string runtime = folder / "runtime";
    std::string home = folder / "home";
};

TEST_F(LiveWindowsStartUpTest, WithNoTrayAndBothWindowsHiddenTheDeviceComesUp) {
    store(false, false);
    ::quorvel::testing::AppProcess app(appPath, home, runtime);
    ASSERT_TRUE(app.start());
    EXPECT_TRUE(waitUntil([&] { return deviceVisible() == std::optional<bool>(true); }, 15000)) << app.logText();
    EXPECT_NE(app.logText().find("No system tray found"), std::string::npos);
}

TEST_F(LiveWindowsStartUpTest, ASecondLaunchBringsTheDeviceBack) {
    store(false, true);  // the strip is a way in: the device stays hidden
    ::quorvel::testing::AppProcess app(appPath, home, runtime);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(app.paths().endpoint()); }, 15000));
    ::quorvel::testing::runEvents(500);
    EXPECT_EQ(deviceVisible(), std::optional<bool>(false));

    // From another session of the same user: another runtime folder, the same home.
    const std::string otherRuntime = folder / "other-runtime";
    ::mkdir(otherRuntime.c_str(), 0700);
    ::quorvel::testing::AppProcess second(appPath, home, otherRuntime, ::quorvel::testing::AppProcess::LogCopy::none);
    ASSERT_TRUE(second.start());
    EXPECT_EQ(second.waitForExit(10s), std::optional<int>(0));
    EXPECT_TRUE(waitUntil([&] { return deviceVisible() == std::optional<bool>(true); }, 10000)) << app.logText();
}

}  // namespace
}  // namespace quorvel
