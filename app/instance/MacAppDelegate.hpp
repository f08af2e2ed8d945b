#pragma once
// The app's side of the desktop's application events: launch, the user reopening the running
// app, and remote-notification registration and receipt. It turns the last two into
// process-wide notices that the model observes. Main thread.
#include <functional>
#include <string_view>

#include "app/instance/AppNotifications.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {

class MacAppDelegate {
public:
    /// Posts on `notifications`; at launch asks `showInDock` whether the stored settings want
    /// the app in the taskbar and, when they do, calls `becomeRegularApp`.
    MacAppDelegate(AppNotifications& notifications, std::function<bool()> showInDock,
                   std::function<void()> becomeRegularApp);

    /// Gives the app a taskbar presence when the settings ask for one; otherwise leaves the
    /// app as it started: tray only. There are no remote notifications to register for on
    /// this desktop, and nothing is logged about them.
    void applicationDidFinishLaunching();
    /// The user reopened the running app: posts `dockIconClicked`. Returns false, so nothing
    /// else happens by itself.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    /// The token is neither used nor stored.
    void didRegisterForRemoteNotifications(std::string_view deviceToken);
    /// Logged as an error: on a desktop that offers them, a failure the user can look into.
    void didFailToRegisterForRemoteNotifications(std::string_view description);
    /// Any content: posts `phoneRecordsChanged`.
    void didReceiveRemoteNotification();

private:
    AppNotifications& notifications_;
    std::function<bool()> showInDock_;
    std::function<void()> becomeRegularApp_;
    Logger logger_;
};

}  // namespace quorvel
