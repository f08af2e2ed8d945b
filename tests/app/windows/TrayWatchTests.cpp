#include "app/menu/tray/TrayWatch.hpp"

#include <gtest/gtest.h>

#include "tests/app/windows/AppWindowsTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppWindowsTestbed;
using testing::settle;

class TrayWatchTest : public ::testing::Test {
protected:
    AppWindowsTestbed testbed;
    bool trayThere = false;
};

TEST_F(TrayWatchTest, WithNoTrayAndNothingOnScreenTheDeviceComesUp) {
    testbed.defaults->setBool("deviceVisible", false);
    testbed.make(false);
    TrayWatch watch(*testbed.windows, [this] { return trayThere; });
    settle();  // the model's start-up first, then the watch's first look
    EXPECT_EQ(watch.available(), std::optional<bool>(false));
    EXPECT_TRUE(testbed.windows->deviceVisible());
    EXPECT_EQ(testbed.defaults->boolValue("deviceVisible"), std::optional<bool>(true));
}

TEST_F(TrayWatchTest, AStripOnScreenIsAWayInAndATrayThatGoesIsToldOnce) {
    testbed.defaults->setBool("deviceVisible", false);
    testbed.defaults->setBool("stripVisible", true);
    testbed.make(false);
    trayThere = true;
    TrayWatch watch(*testbed.windows, [this] { return trayThere; });
    settle();
    EXPECT_FALSE(testbed.windows->deviceVisible());

    testbed.windows->setStripVisible(false);
    trayThere = false;
    watch.check();
    EXPECT_TRUE(testbed.windows->deviceVisible()) << "the tray went: nothing left on screen";

    // Gone for good: no more windows forced up at every look.
    testbed.windows->setDeviceVisible(false);
    watch.check();
    watch.check();
    EXPECT_FALSE(testbed.windows->deviceVisible());
}

}  // namespace
}  // namespace quorvel
