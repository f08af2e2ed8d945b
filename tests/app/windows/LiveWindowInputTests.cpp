// The app's windows on a real X display, driven as a user drives them: keys typed and the
// pointer pressed through XTEST, on a laptop's 1366x768 screen. With a window manager
// (openbox, EWMH) the device and the settings window must lie inside the screen's available
// area and a quick click must not move a window; without one, the keys must still close the
// hosted windows and reach the menu, and a drag must still move the device. Each fixture skips
// itself unless its CTest entry set up its display (app_windows_x11_small_screen,
// app_windows_x11_no_window_manager; the openbox tests of LiveWindowsInput run in
// app_windows_x11).
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "app/assembly/QtAppDesktop.hpp"
#include "app/windows/device/PaintedWindowController.hpp"
#include "app/windows/hosting/HostedWindow.hpp"
#include "app/windows/settings/SettingsNoteWidget.hpp"
#include "app/windows/settings/SettingsView.hpp"
#include "platform/qt/TaskbarPresence.hpp"
#include "platform/qt/WindowFrameAutosave.hpp"
#include "tests/app/windows/AppWindowsTestbed.hpp"
#include "tests/support/QtEventLoop.hpp"
#include "tests/support/X11Input.hpp"

namespace quorvel {
namespace {

using testing::AppWindowsTestbed;
using testing::runEvents;
using testing::waitUntil;
using testing::X11Input;

bool windowManagerRunning() { return testing::X11Input().windowManagerRunning(); }

bool mapped(QWidget* window) {
    return window != nullptr && window->isVisible() && window->windowHandle() != nullptr &&
           window->windowHandle()->isExposed();
}

QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

// The app's windows with the desktop's own makers, whose menu keys are recorded.
class LiveInputTest : public ::testing::Test {
protected:
    enum class Display { windowManager, none };

    /// True when the display is the one this fixture needs; the test is skipped otherwise.
    bool needs(Display display, QSize screenSize) {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
        const bool managed = display == Display::windowManager;
        // The window manager may still be starting beside the test.
        if (managed ? !waitUntil(windowManagerRunning, 5000) : windowManagerRunning()) return false;
        if (QGuiApplication::primaryScreen()->geometry().size() != screenSize) return false;
        // The setup window would lie over the device.
        testbed.defaults->setBool("setupShown", true);
        testbed.realWindows = true;
        testbed.links.menuCommand = [this](MenuBarAction action) { commands.push_back(action); };
        testbed.links.trayShown = [this] { return trayShown; };
        return x11.connected();
    }

    PaintedWindow* device() { return static_cast<DeviceWindowController&>(testbed.windows->deviceWindow()).window(); }
    PaintedWindow* strip() { return static_cast<StripPanelController&>(testbed.windows->stripPanel()).window(); }
    QWidget* hosted(WindowHost& host) { return static_cast<HostedWindow&>(host).window(); }

    /// A point of the device's casing that no control takes, on the screen.
    QPoint onCasing() { return device()->mapToGlobal(QPoint(20, 200)); }

    void pointAt(QPoint global) {
        x11.movePointer(global.x(), global.y());
        runEvents(50);
    }
    void type(const std::vector<xcb_keysym_t>& chord) {
        x11.typeChord(chord);
        runEvents(100);
    }
    void click(QPoint global) {
        pointAt(global);
        x11.pressButton();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        x11.releaseButton();
        runEvents(300);
    }
    /// Presses at `from`, moves to `from` + `by` in small steps, and lets go there.
    void drag(QPoint from, QPoint by) {
        pointAt(from);
        x11.pressButton();
        runEvents(50);
        constexpr int steps = 12;
        for (int step = 1; step <= steps; ++step) pointAt(from + by * step / steps);
        x11.releaseButton();
        runEvents(300);
    }

    TaskbarPresence taskbar;
    AppWindowsTestbed testbed;
    X11Input x11;
    std::vector<MenuBarAction> commands;
    bool trayShown = true;
};

// ---- with a window manager, on a 1366x768 screen ---------------------------------------------

class SmallScreenTest : public LiveInputTest {
protected:
    void SetUp() override {
        if (!needs(Display::windowManager, QSize(1366, 768))) GTEST_SKIP() << "needs a 1366x768 display with openbox";
    }
};

TEST_F(SmallScreenTest, TheDeviceIsDrawnSmallerToFitTheScreenWholeAndItsKeysStillWork) {
    AppModel& model = testbed.make();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }, 15000));
    const QSize own = device()->content().size();
    ASSERT_GT(own.height(), available().height()) << "the device at its own size is taller than this screen";
    // Whole on the screen, the floppy drive at its foot included.
    ASSERT_TRUE(waitUntil([&] { return available().contains(device()->frameGeometry()); }))
        << device()->frameGeometry().top() << ".." << device()->frameGeometry().bottom();
    EXPECT_EQ(device()->height(), available().height());
    EXPECT_LT(device()->contentScale(), 1);
    EXPECT_NEAR(device()->width(), own.width() * device()->contentScale(), 1);
    EXPECT_NEAR(device()->frameGeometry().center().x(), available().center().x(), 2);

    // A click where the scaled key is drawn reaches it.
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(device());
    ASSERT_NE(face, nullptr);
    QAccessibleInterface* alarm = nullptr;
    for (int index = 0; index < face->childCount(); ++index) {
        if (face->child(index)->text(QAccessible::Name) == QStringLiteral("TEST THE ALARM")) alarm = face->child(index);
    }
    ASSERT_NE(alarm, nullptr);
    EXPECT_TRUE(device()->geometry().contains(alarm->rect()));
    click(alarm->rect().center());
    EXPECT_TRUE(waitUntil([&] { return model.device().alarmTestStep() == std::optional<int>(0); }));

    // Remembered at its scaled size, and shown again at the same place and scale.
    const QRect frame = device()->frameGeometry();
    testbed.windows->setDeviceVisible(false);
    ASSERT_EQ(WindowFrameAutosave::savedFrame(*testbed.defaults, "QuorvelDeviceWindow"), std::optional<QRect>(frame));
    testbed.windows->setDeviceVisible(true);
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));
    EXPECT_EQ(device()->frameGeometry(), frame);
}

TEST_F(SmallScreenTest, ADevicePutPartlyOffTheScreenStaysWhereTheUserPutIt) {
    testbed.make();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }, 15000));
    // Tucked at the right edge, a third of it past the screen.
    const QPoint tucked(available().right() - device()->width() * 2 / 3, available().top() + 10);
    device()->move(tucked);
    ASSERT_TRUE(waitUntil([&] { return device()->frameGeometry().topLeft() == tucked; }));
    testbed.windows->setDeviceVisible(false);
    testbed.windows->setDeviceVisible(true);
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));
    runEvents(300);
    EXPECT_EQ(device()->frameGeometry().topLeft(), tucked);
    testbed.windows->setStripVisible(true);
    testbed.windows->setDeviceVisible(false);
    testbed.windows->setDeviceVisible(true);
    testbed.windows->setStripVisible(false);
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));
    runEvents(300);
    EXPECT_EQ(device()->frameGeometry().topLeft(), tucked) << "nor after the strip took its turn";

    // Pushed past the inset: back in the middle of the screen.
    device()->move(available().right() - 30, available().top() + 10);
    ASSERT_TRUE(waitUntil([&] { return device()->x() > available().right() - 40; }));
    testbed.windows->setDeviceVisible(false);
    testbed.windows->setDeviceVisible(true);
    EXPECT_TRUE(waitUntil([&] { return mapped(device()) && available().contains(device()->frameGeometry()); }));
}

TEST_F(SmallScreenTest, TheSettingsWindowFitsTheScreenAndScrollsToItsLastRow) {
    testbed.make();
    testbed.windows->settingsWindow().show();
    QWidget* window = hosted(testbed.windows->settingsWindow());
    ASSERT_TRUE(waitUntil([&] { return mapped(window); }));
    // Framed by the window manager, then fitted again.
    ASSERT_TRUE(waitUntil([&] { return available().contains(window->frameGeometry()); }))
        << "frame " << window->frameGeometry().top() << ".." << window->frameGeometry().bottom() << " in "
        << available().top() << ".." << available().bottom();
    EXPECT_GT(window->frameGeometry().height(), window->height()) << "the title bar counts";
    EXPECT_GE(window->height(), SettingsView::minimumHeight);
    EXPECT_LT(window->height(), SettingsView::idealHeight);
    EXPECT_EQ(window->width(), SettingsView::width);
    EXPECT_EQ(window->maximumHeight(), QWIDGETSIZE_MAX) << "no maximum height";
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvel settings"));

    auto* view = window->findChild<SettingsView*>();
    ASSERT_NE(view, nullptr);
    QScrollBar* scroll = view->scrollArea()->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 0);
    scroll->setValue(scroll->maximum());
    QWidget* lastRow = view->closingNote();
    const QPoint rowBottom = lastRow->mapTo(window, QPoint(0, lastRow->height()));
    EXPECT_LE(rowBottom.y(), window->height()) << "the last row is in reach";

    // Shown again from a remembered place off the bottom: back inside.
    window->close();
    ASSERT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    window->move(available().left() + 30, available().bottom() + 10);
    testbed.windows->settingsWindow().show();
    EXPECT_TRUE(waitUntil([&] { return mapped(window) && available().contains(window->frameGeometry()); }))
        << "frame " << window->frameGeometry().left() << "," << window->frameGeometry().top() << " "
        << window->frameGeometry().width() << "x" << window->frameGeometry().height();
}

// ---- with a window manager, on the 1600x1000 screen of the other live-window tests --------------

class LiveWindowsInputTest : public LiveInputTest {
protected:
    void SetUp() override {
        if (!needs(Display::windowManager, QSize(1600, 1000))) GTEST_SKIP() << "needs a 1600x1000 display with openbox";
    }
};

TEST_F(LiveWindowsInputTest, AQuickClickOnTheCasingLeavesTheDeviceWhereItWasAndADragMovesIt) {
    testbed.make();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }, 15000));
    const QPoint before = device()->pos();
    // A touchpad's tap: pressed and let go within 5 ms. The window must not follow the
    // pointer afterwards.
    click(onCasing());
    pointAt(onCasing() + QPoint(90, 60));
    runEvents(200);
    EXPECT_EQ(device()->pos(), before);

    // Pressed, dragged and let go: the window manager moves the window with the pointer.
    drag(onCasing(), QPoint(-150, -100));
    // The window manager takes the move over a few steps into the drag, from where the pointer
    // is then.
    ASSERT_TRUE(waitUntil([&] {
        const QPoint moved = device()->pos() - before;
        return moved.x() <= -100 && moved.x() >= -150 && moved.y() <= -60 && moved.y() >= -100;
    })) << device()->pos().x() - before.x() << "," << device()->pos().y() - before.y();
    const QPoint after = device()->pos();
    pointAt(onCasing() + QPoint(60, 60));
    runEvents(200);
    EXPECT_EQ(device()->pos(), after) << "the move ended with the release";
}

TEST_F(LiveWindowsInputTest, TheHideKeySaysWhereTheWindowComesBackFromWhileAnotherAppIsActive) {
    testbed.make();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }, 15000));
    ASSERT_FALSE(device()->isActiveWindow());
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(device());
    ASSERT_NE(face, nullptr);
    QAccessibleInterface* hideKey = nullptr;
    for (int index = 0; index < face->childCount(); ++index) {
        if (face->child(index)->text(QAccessible::Name) == QStringLiteral("Hide")) hideKey = face->child(index);
    }
    ASSERT_NE(hideKey, nullptr);
    const QString fromTray = QStringLiteral("Hide this window. Bring it back from the tray.");
    const QString fromLauncher =
        QStringLiteral("Hide this window. Bring it back from the launcher, or by running quorvel again.");
    for (const bool tray : {true, false}) {
        trayShown = tray;
        const QString help = tray ? fromTray : fromLauncher;
        EXPECT_EQ(hideKey->text(QAccessible::Description), help);
        // Hovered, the key shows its help, though the device is not the active window.
        QToolTip::hideText();
        pointAt(QPoint(0, 0));
        // Two steps onto the key: right after a tooltip went, Qt lets the first pass.
        pointAt(hideKey->rect().center());
        pointAt(hideKey->rect().center() + QPoint(1, 1));
        EXPECT_TRUE(waitUntil([&] { return QToolTip::isVisible() && QToolTip::text() == help; }))
            << QToolTip::text().toStdString();
    }
    QToolTip::hideText();
}

// ---- without a window manager --------------------------------------------------------------------

class NoWindowManagerTest : public LiveInputTest {
protected:
    void SetUp() override {
        if (!needs(Display::none, QSize(1366, 768))) GTEST_SKIP() << "needs a 1366x768 display without a window manager";
    }
};

TEST_F(NoWindowManagerTest, EscAndCtrlWCloseEachHostedWindowAndSetupStaysUnfinished) {
    testbed.defaults->remove("setupShown");
    testbed.make();
    for (WindowHost* host : {&testbed.windows->settingsWindow(), &testbed.windows->finishedWindow(), &testbed.windows->setupWindow()}) {
        for (const std::vector<xcb_keysym_t>& chord :
             {std::vector<xcb_keysym_t>{X11Input::escapeKey}, std::vector<xcb_keysym_t>{X11Input::controlKey, 'w'}}) {
            host->show();
            QWidget* window = hosted(*host);
            ASSERT_TRUE(waitUntil([&] { return mapped(window); }));
            pointAt(window->mapToGlobal(QPoint(window->width() / 2, 12)));
            type(chord);
            EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); })) << window->windowTitle().toStdString();
        }
    }
    EXPECT_EQ(testbed.defaults->boolValue("setupShown"), std::nullopt) << "closed without Done";
    // The keys close nothing but hosted windows, and are no menu command.
    EXPECT_TRUE(commands.empty());
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }, 15000));
    pointAt(onCasing());
    type({X11Input::escapeKey});
    runEvents(200);
    EXPECT_TRUE(device()->isVisible());
}

TEST_F(NoWindowManagerTest, CtrlCommaAndCtrlQWorkOnTheDeviceTheStripAndAHostedWindow) {
    testbed.make();
    testbed.windows->setStripVisible(true);
    testbed.windows->finishedWindow().show();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()) && mapped(strip()) && mapped(hosted(testbed.windows->finishedWindow())); }));
    const std::vector<std::pair<std::string, QPoint>> places{
        {"device", onCasing()},
        {"strip", strip()->mapToGlobal(QPoint(6, strip()->height() / 2))},
        {"finished window", hosted(testbed.windows->finishedWindow())->mapToGlobal(QPoint(40, 12))},
    };
    for (const auto& [name, place] : places) {
        commands.clear();
        pointAt(place);
        type({X11Input::controlKey, ','});
        type({X11Input::controlKey, 'q'});
        EXPECT_EQ(commands, (std::vector<MenuBarAction>{MenuBarAction::showSettings, MenuBarAction::quit})) << name;
    }
}

TEST_F(NoWindowManagerTest, AQuickClickLeavesTheDeviceWhereItWasAndADragMovesIt) {
    testbed.make();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }, 15000));
    const QPoint before = device()->pos();
    click(onCasing());
    pointAt(onCasing() + QPoint(90, 60));
    EXPECT_EQ(device()->pos(), before);

    drag(onCasing(), QPoint(-120, -80));
    EXPECT_TRUE(waitUntil([&] { return device()->pos() == before + QPoint(-120, -80); }))
        << device()->pos().x() << "," << device()->pos().y();
    // Let go, the pointer moves on alone.
    const QPoint after = device()->pos();
    pointAt(onCasing() + QPoint(50, 50));
    EXPECT_EQ(device()->pos(), after);
}

TEST_F(NoWindowManagerTest, TheKeyFilePanelOpensInTheHomeFolder) {
    ASSERT_NE(QDir::currentPath(), QDir::homePath()) << "the test runs in the build folder";
    QtAppDesktop desktop(taskbar);
    // Notes where the panel opened, once it is up, and cancels it as a user would.
    QString openedIn;
    QTimer answer;
    answer.setInterval(50);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (panel == nullptr) return;
        answer.stop();
        openedIn = panel->directory().absolutePath();
        panel->reject();
    });
    answer.start();
    EXPECT_EQ(desktop.chooseFile("Choose the AuthKey .p8 file"), std::nullopt);
    EXPECT_EQ(openedIn, QDir::homePath());
}

}  // namespace
}  // namespace quorvel
