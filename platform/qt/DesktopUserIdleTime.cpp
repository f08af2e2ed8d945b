#include "platform/qt/DesktopUserIdleTime.hpp"

#include <QDBusMessage>
#include <QDBusReply>
#include <QVariant>
#include <cmath>
#include <utility>

// Xlib last: its macros (Bool, Status, None, ...) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace quorvel {
namespace {

// A reading that is not a sensible count of seconds counts as unreadable.
std::optional<double> validSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return std::nullopt;
    return seconds;
}

}  // namespace

DesktopUserIdleTime::DesktopUserIdleTime(QDBusConnection connection)
    : DesktopUserIdleTime(x11Source(), screenSaverSource(std::move(connection))) {}

DesktopUserIdleTime::DesktopUserIdleTime(Source x11, Source bus) : x11_(std::move(x11)), bus_(std::move(bus)) {}

double DesktopUserIdleTime::secondsSinceLastInput() {
    for (const Source* source : {&x11_, &bus_}) {
        if (!*source) continue;
        if (const std::optional<double> seconds = (*source)()) return *seconds;
    }
    return 0;
}

DesktopUserIdleTime::Source DesktopUserIdleTime::x11Source() {
    std::shared_ptr<Display> display(XOpenDisplay(nullptr), [](Display* open) {
        if (open != nullptr) XCloseDisplay(open);
    });
    if (!display) return {};
    int eventBase = 0;
    int errorBase = 0;
    if (!XScreenSaverQueryExtension(display.get(), &eventBase, &errorBase)) return {};
    // One info record, reused: the extension fills it on every query.
    std::shared_ptr<XScreenSaverInfo> info(XScreenSaverAllocInfo(), [](XScreenSaverInfo* allocated) {
        if (allocated != nullptr) XFree(allocated);
    });
    if (!info) return {};
    return [display, info]() -> std::optional<double> {
        if (!XScreenSaverQueryInfo(display.get(), DefaultRootWindow(display.get()), info.get())) return std::nullopt;
        return validSeconds(static_cast<double>(info->idle) / 1000.0);
    };
}

DesktopUserIdleTime::Source DesktopUserIdleTime::screenSaverSource(QDBusConnection connection) {
    if (!connection.isConnected()) return {};
    return [connection]() -> std::optional<double> {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
            QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetSessionIdleTime"));
        // Asked at most once per alert and tick; a desktop that doesn't answer quickly has no
        // idle time worth waiting for.
        const QDBusMessage answer = QDBusConnection(connection).call(call, QDBus::Block, 1000);
        if (answer.type() != QDBusMessage::ReplyMessage || answer.arguments().isEmpty()) return std::nullopt;
        bool converted = false;
        const qulonglong seconds = answer.arguments().constFirst().toULongLong(&converted);
        if (!converted) return std::nullopt;
        return validSeconds(static_cast<double>(seconds));
    };
}

}  // namespace quorvel
