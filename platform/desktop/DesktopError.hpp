#pragma once
// A failure of one of the desktop's services (the session or system bus, the notification
// service, the window manager), carrying the text shown in logs and to the user.
#include <string>

namespace quorvel {

struct DesktopError {
    std::string message;

    bool operator==(const DesktopError&) const = default;
};

}  // namespace quorvel
