#pragma once
// Brings a window forward on an X11 desktop through the window manager (EWMH): the windows
// it manages are listed in _NET_CLIENT_LIST, identified by their WM_CLASS and title
// (_NET_WM_NAME, else WM_NAME), and raised with a _NET_ACTIVE_WINDOW request. A Wayland
// session lets no app raise another's window, so there it reports an error.
#include <optional>
#include <string>
#include <utility>

#include "platform/desktop/WindowActivator.hpp"

namespace quorvel {

class X11WindowActivator final : public WindowActivator {
public:
    /// The desktop session to work in. Absent values are read from $DISPLAY and
    /// $WAYLAND_DISPLAY at each call; given ones spare a caller from changing the environment,
    /// which is unsafe while other threads may read it.
    struct Session {
        std::optional<std::string> display;
        std::optional<std::string> waylandDisplay;
    };

    X11WindowActivator() = default;
    explicit X11WindowActivator(Session session) : session_(std::move(session)) {}

    /// Works on the session's display, connecting for each call.
    Expected<bool, DesktopError> activate(const std::vector<std::string>& classes,
                                          std::string_view titleContains) override;

private:
    Session session_;
};

}  // namespace quorvel
