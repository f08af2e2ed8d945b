#pragma once
// What the tests of the desktop services need: a Qt application object, a way to let the
// event loop run until something happened (QtEventLoop.hpp), and the private session bus and
// X display that the "desktop peers" test entry starts (dbus-run-session and xvfb-run). Tests
// that stand in for the desktop's own services (a notification service, logind, a window
// manager) run only there, never against the bus or display of a real session.
#include <QApplication>
#include <QCoreApplication>
#include <cstdlib>
#include <string_view>

#include "tests/support/QtEventLoop.hpp"

namespace quorvel::testing {

inline void ensureApplication() {
    if (QCoreApplication::instance()) return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "platform_qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
}

inline bool onPrivateDesktop() {
    const char* flag = std::getenv("QUORVEL_PRIVATE_DESKTOP");
    return flag != nullptr && std::string_view(flag) == "1";
}

inline bool hasPrivateSessionBus() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return onPrivateDesktop() && address != nullptr && *address != '\0';
}

inline bool hasPrivateDisplay() {
    const char* display = std::getenv("DISPLAY");
    return onPrivateDesktop() && display != nullptr && *display != '\0';
}

}  // namespace quorvel::testing

#define QUORVEL_SKIP_WITHOUT_PRIVATE_BUS()                                                        \
    if (!::quorvel::testing::hasPrivateSessionBus())                                              \
    GTEST_SKIP() << "needs the private session bus of the desktop peers test (dbus-run-session)"

#define QUORVEL_SKIP_WITHOUT_PRIVATE_DISPLAY()                                                    \
    if (!::quorvel::testing::hasPrivateDisplay())                                                 \
    GTEST_SKIP() << "needs the private X display of the desktop peers test (xvfb-run)"
