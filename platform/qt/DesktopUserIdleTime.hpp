#pragma once
// The session's idle time from the X server's screen-saver extension when there is an X
// display, else from the session bus's org.freedesktop.ScreenSaver (GetSessionIdleTime),
// else 0.
#include <QDBusConnection>
#include <functional>
#include <memory>
#include <optional>

#include "platform/desktop/UserIdleTime.hpp"

namespace quorvel {

class DesktopUserIdleTime final : public UserIdleTime {
public:
    /// One way of reading the idle time; absent when it can't be read this time.
    using Source = std::function<std::optional<double>()>;

    /// The X display named by $DISPLAY (when it has the extension), then `connection`.
    /// Needs a Qt application object for the bus.
    explicit DesktopUserIdleTime(QDBusConnection connection = QDBusConnection::sessionBus());
    /// Tries `x11`, then `bus`; either may be empty.
    DesktopUserIdleTime(Source x11, Source bus);

    double secondsSinceLastInput() override;

    /// The X screen-saver extension's idle time on the display named by $DISPLAY; empty when
    /// there is no X display or it lacks the extension.
    static Source x11Source();
    /// GetSessionIdleTime of org.freedesktop.ScreenSaver on `connection`.
    static Source screenSaverSource(QDBusConnection connection);

private:
    Source x11_;
    Source bus_;
};

}  // namespace quorvel
