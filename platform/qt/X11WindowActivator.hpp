#pragma once
// Brings a window forward on an X11 desktop through the window manager (EWMH): the windows
// it manages are listed in _NET_CLIENT_LIST, identified by their WM_CLASS and title
// (_NET_WM_NAME, else WM_NAME), and raised with a _NET_ACTIVE_WINDOW request. A Wayland
// session lets no app raise another's window, so there it reports an error.
#include "platform/WindowActivator.hpp"

namespace quorvel {

class X11WindowActivator final : public WindowActivator {
public:
    /// Works on the display named by $DISPLAY, connecting for each call.
    Expected<bool, DesktopError> activate(const std::vector<std::string>& classes,
                                          std::string_view titleContains) override;
};

}  // namespace quorvel
