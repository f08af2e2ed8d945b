#include "platform/qt/ExitFromEventLoop.hpp"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <utility>

namespace quorvel::ExitFromEventLoop {
namespace {

// A thread-local object, since exit() ends the calling thread's thread-locals before it runs
// any atexit handler or static destructor: the app's state is still whole when `leave` runs.
struct Diversion {
    std::function<void()> leave;
    ~Diversion() {
        if (leave) std::exchange(leave, nullptr)();
    }
};
thread_local Diversion diversion;

}  // namespace

void divertTo(std::function<void()> leave) { diversion.leave = std::move(leave); }

void disarm() { diversion.leave = nullptr; }

bool displayConnectionBroken() {
    if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    auto* application = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = application ? application->connection() : nullptr;
    return connection != nullptr && xcb_connection_has_error(connection) != 0;
}

}  // namespace quorvel::ExitFromEventLoop
