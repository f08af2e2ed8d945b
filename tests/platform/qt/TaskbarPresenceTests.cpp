#include "platform/qt/TaskbarPresence.hpp"

#include <QGuiApplication>
#include <QWidget>
#include <gtest/gtest.h>

#include "tests/platform/qt/DesktopPeers.hpp"

namespace quorvel {
namespace {

// Only an X display carries the hint; run with QT_QPA_PLATFORM=xcb under xvfb-run.
#define SKIP_WITHOUT_X11()                                                 \
    testing::ensureApplication();                                          \
    if (QGuiApplication::platformName() != QLatin1String("xcb"))           \
    GTEST_SKIP() << "needs Qt on an X display (QT_QPA_PLATFORM=xcb)"

TEST(TaskbarPresence, ATrayOnlyAppsWindowsSkipTheTaskbar) {
    SKIP_WITHOUT_X11();
    TaskbarPresence presence;
    EXPECT_FALSE(presence.shown());
    QWidget window;
    window.show();
    ASSERT_NE(window.windowHandle(), nullptr);
    EXPECT_TRUE(TaskbarPresence::skipsTaskbar(*window.windowHandle()));

    // Shown again after it was withdrawn, the window still skips it.
    window.hide();
    testing::runEvents(50);
    window.show();
    EXPECT_TRUE(TaskbarPresence::skipsTaskbar(*window.windowHandle()));
}

TEST(TaskbarPresence, ARegularAppsWindowsAreListed) {
    SKIP_WITHOUT_X11();
    TaskbarPresence presence;
    presence.setShown(true);
    QWidget window;
    window.show();
    EXPECT_FALSE(TaskbarPresence::skipsTaskbar(*window.windowHandle()));
    window.hide();
    testing::runEvents(50);

    presence.setShown(false);
    window.show();
    EXPECT_TRUE(TaskbarPresence::skipsTaskbar(*window.windowHandle()));
}

}  // namespace
}  // namespace quorvel
