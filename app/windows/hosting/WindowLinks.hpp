#pragma once
// What the app's windows reach of the app beyond their own content: its menu, the menu's
// actions (for the keys every window answers) and whether the desktop shows a tray. Each is
// looked up when used, so the app can set them after the windows' maker is made. Main thread.
#include <QPoint>
#include <functional>

#include "app/windows/hosting/WindowKeys.hpp"

namespace quorvel {

struct WindowLinks {
    /// Opens the app's menu at a global position (a right click, the menu key); may be empty.
    std::function<void(QPoint)> openMenu;
    /// Carries out one of the menu's actions; may be empty.
    WindowKeys::MenuCommand menuCommand;
    /// Whether the desktop shows a tray now; empty: it does.
    std::function<bool()> trayShown;
};

}  // namespace quorvel
