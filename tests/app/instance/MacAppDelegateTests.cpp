#include "app/instance/MacAppDelegate.hpp"

#include <gtest/gtest.h>

#include "tests/support/DesktopServiceLog.hpp"

namespace quorvel {
namespace {

using testing::DesktopServiceLog;

struct DelegateFixture {
    explicit DelegateFixture(bool showInDock)
        : delegate(notifications, [showInDock] { return showInDock; }, [this] { ++becameRegular; }) {
        notifications.addObserver(AppNotifications::dockIconClicked, [this] { ++dockClicks; });
        notifications.addObserver(AppNotifications::phoneRecordsChanged, [this] { ++phoneChanges; });
    }

    DesktopServiceLog log;
    AppNotifications notifications;
    int becameRegular = 0;
    int dockClicks = 0;
    int phoneChanges = 0;
    MacAppDelegate delegate;
};

TEST(MacAppDelegate, LaunchWithoutShowInDockLeavesThePolicyAlone) {
    DelegateFixture fixture(false);
    fixture.delegate.applicationDidFinishLaunching();
    EXPECT_EQ(fixture.becameRegular, 0);
    // No service to register with here: nothing a user could mend, so no error line.
    EXPECT_TRUE(fixture.log.lines("RemotePush").empty());
}

TEST(MacAppDelegate, LaunchWithShowInDockBecomesARegularApp) {
    DelegateFixture fixture(true);
    fixture.delegate.applicationDidFinishLaunching();
    EXPECT_EQ(fixture.becameRegular, 1);
}

TEST(MacAppDelegate, ReopenPostsTheDockClickAndHandlesNothingItself) {
    DelegateFixture fixture(false);
    EXPECT_FALSE(fixture.delegate.applicationShouldHandleReopen(false));
    EXPECT_FALSE(fixture.delegate.applicationShouldHandleReopen(true));
    EXPECT_EQ(fixture.dockClicks, 2);
    EXPECT_EQ(fixture.phoneChanges, 0);
}

TEST(MacAppDelegate, RemoteNotificationsAreLoggedAndPosted) {
    DelegateFixture fixture(false);
    fixture.delegate.didRegisterForRemoteNotifications("token");
    fixture.delegate.didFailToRegisterForRemoteNotifications("offline");
    fixture.delegate.didReceiveRemoteNotification();
    EXPECT_EQ(fixture.phoneChanges, 1);
    EXPECT_EQ(fixture.dockClicks, 0);
    EXPECT_EQ(fixture.log.lines("RemotePush"),
              (std::vector<std::string>{"info Registered for remote notifications",
                                        "error Remote notification registration failed: offline",
                                        "info CloudKit change push received"}));
}

}  // namespace
}  // namespace quorvel
