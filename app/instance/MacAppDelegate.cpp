#include "app/instance/MacAppDelegate.hpp"

#include <string>
#include <utility>

#include "kit/engine/Quorvel.hpp"

namespace quorvel {

MacAppDelegate::MacAppDelegate(AppNotifications& notifications, std::function<bool()> showInDock,
                               std::function<void()> becomeRegularApp)
    : notifications_(notifications),
      showInDock_(std::move(showInDock)),
      becomeRegularApp_(std::move(becomeRegularApp)),
      logger_(Quorvel::macBundleID, "RemotePush") {}

void MacAppDelegate::applicationDidFinishLaunching() {
    // No desktop here offers remote notifications, so there is nothing to register for: the
    // phone's changes come with the regular sync, and the model's start says once that there
    // is no iCloud behind them. A failure a user can't mend is no error.
    if (showInDock_ && showInDock_() && becomeRegularApp_) becomeRegularApp_();
}

bool MacAppDelegate::applicationShouldHandleReopen(bool) {
    notifications_.post(AppNotifications::dockIconClicked);
    return false;
}

void MacAppDelegate::didRegisterForRemoteNotifications(std::string_view) {
    logger_.info("Registered for remote notifications");
}

void MacAppDelegate::didFailToRegisterForRemoteNotifications(std::string_view description) {
    logger_.error("Remote notification registration failed: " + std::string(description));
}

void MacAppDelegate::didReceiveRemoteNotification() {
    logger_.info("CloudKit change push received");
    notifications_.post(AppNotifications::phoneRecordsChanged);
}

}  // namespace quorvel
