#pragma once
// The app's windows as real windows on the test's X display, skipped unless a window manager
// runs there: the model, the windows, the tray's menu and the taskbar hint, and how to tell
// whether a window is mapped and where the screen leaves room for it.
#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/windows/device/PaintedWindowController.hpp"
#include "app/windows/design/DesignSheetScene.hpp"
#include "app/menu/tray/MenuBarController.hpp"
#include "platform/qt/MenuBarExtra.hpp"
#include "platform/qt/TaskbarPresence.hpp"
#include "tests/app/windows/AppWindowsTestbed.hpp"
#include "tests/support/QtEventLoop.hpp"
#include "tests/support/X11Input.hpp"

namespace quorvel::testing {

inline bool windowManagerRunning() { return testing::X11Input().windowManagerRunning(); }

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

}  // namespace quorvel::testing
