// The built app on a real X display with a window manager, started with the windows its stored
// defaults leave hidden, and launched a second time. Skipped unless the run is on X11 with an
// EWMH window manager (the app_windows_x11 test entry).
#include <QGuiApplication>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/stores/KeyValueStore.hpp"
#include "tests/app/windows/LiveWindowsTestbed.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::testing {
namespace {

using namespace std::chrono_literals;

const std::string appPath = QUORVEL_BINARY_DIR "/bin/quorvel";

// The built app on the test's display, with a home whose stored defaults the test chooses.
class LiveWindowsStartUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb") || !waitUntil(windowManagerRunning, 5000)) {
            GTEST_SKIP() << "needs an X display with a window manager";
        }
        ::mkdir(runtime.c_str(), 0700);
        ::mkdir(home.c_str(), 0700);
    }

    void store(bool deviceVisible, bool stripVisible) {
        KeyValueStore defaults(home + "/.config/quorvel/defaults.json");
        defaults.setBool("setupShown", true);
        defaults.setBool("deviceVisible", deviceVisible);
        defaults.setBool("stripVisible", stripVisible);
    }
    std::optional<bool> deviceVisible() const {
        return KeyValueStore(home + "/.config/quorvel/defaults.json").boolValue("deviceVisible");
    }

    ::quorvel::testing::TemporaryFolder folder;
    std::string runtime = folder / "runtime";
    std::string home = folder / "home";
};

TEST_F(LiveWindowsStartUpTest, WithNoTrayAndBothWindowsHiddenTheDeviceComesUp) {
    store(false, false);
    ::quorvel::testing::AppProcess app(appPath, home, runtime);
    ASSERT_TRUE(app.start());
    EXPECT_TRUE(waitUntil([&] { return deviceVisible() == std::optional<bool>(true); }, 15000)) << app.logText();
    EXPECT_NE(app.logText().find("No system tray found"), std::string::npos);
}

TEST_F(LiveWindowsStartUpTest, ASecondLaunchBringsTheDeviceBack) {
    store(false, true);  // the strip is a way in: the device stays hidden
    ::quorvel::testing::AppProcess app(appPath, home, runtime);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(app.paths().endpoint()); }, 15000));
    ::quorvel::testing::runEvents(500);
    EXPECT_EQ(deviceVisible(), std::optional<bool>(false));

    // From another session of the same user: another runtime folder, the same home.
    const std::string otherRuntime = folder / "other-runtime";
    ::mkdir(otherRuntime.c_str(), 0700);
    ::quorvel::testing::AppProcess second(appPath, home, otherRuntime, ::quorvel::testing::AppProcess::LogCopy::none);
    ASSERT_TRUE(second.start());
    EXPECT_EQ(second.waitForExit(10s), std::optional<int>(0));
    EXPECT_TRUE(waitUntil([&] { return deviceVisible() == std::optional<bool>(true); }, 10000)) << app.logText();
}

}  // namespace
}  // namespace quorvel::testing
