// The presenters over fake sources and a fake navigator: each reads its snapshot again on any
// change, speaks only when it differs, and sends the user's intents where they belong.
#include <gtest/gtest.h>

#include "app/windows/device/DevicePresenter.hpp"
#include "app/windows/device/StripPresenter.hpp"
#include "app/windows/finished/FinishedPresenter.hpp"
#include "app/windows/settings/SettingsPresenter.hpp"
#include "app/windows/setup/SetupPresenter.hpp"
#include "tests/app/windows/FakeSurfaces.hpp"
#include "tests/support/FixedClock.hpp"

namespace quorvel {
namespace {

using namespace testing;

TEST(PresenterFakes, SettingsAndSetupSpeakOnlyWhenTheirSnapshotDiffers) {
    FakeSettingsSource settingsSource;
    SettingsPresenter settings(settingsSource);
    int settingsChanges = 0;
    QObject::connect(&settings, &SettingsPresenter::changed, [&] { ++settingsChanges; });
    emit settingsSource.changed();  // something else changed in the app
    EXPECT_EQ(settingsChanges, 0);
    settingsSource.snapshot.lastPushReport = "Push sent";
    emit settingsSource.changed();
    emit settingsSource.changed();
    EXPECT_EQ(settingsChanges, 1);
    EXPECT_EQ(settings.snapshot().lastPushReport, "Push sent");

    settings.setVolumePercent(37);
    settings.sendTestPush();  // no token: stays off
    settings.selfTest();      // hooks off: stays off
    EXPECT_EQ(settingsSource.calls, (std::vector<std::string>{"volume 0.370000"}));

    FakeSetupSource setupSource;
    FakeNavigator navigator;
    SetupPresenter setup(setupSource, navigator);
    int setupChanges = 0;
    QObject::connect(&setup, &SetupPresenter::changed, [&] { ++setupChanges; });
    emit setupSource.changed();
    EXPECT_EQ(setupChanges, 0);
    setup.toggleHooks();
    setupSource.snapshot.hooksInstalled = true;
    emit setupSource.changed();
    EXPECT_EQ(setupChanges, 1);
    setup.toggleHooks();
    setup.toggleLaunchAtLogin();
    EXPECT_EQ(setupSource.calls, (std::vector<std::string>{"hooks on", "hooks off", "login on"}));
    setup.openSettings();
    setup.done();
    EXPECT_EQ(navigator.calls, (std::vector<std::string>{"settings", "setup finished"}));
}

TEST(PresenterFakes, TheFacesSwapThroughTheNavigatorAndSpeakOfNewControlsOnlyOnScreen) {
    FakeDeviceSource source;
    FakeNavigator navigator;
    auto clock = std::make_shared<FixedClock>(Instant::fromUnixSeconds(1'700'000'000));
    DevicePresenter device(source, navigator, clock);
    StripPresenter strip(source, navigator, clock);
    int deviceChanges = 0;
    QObject::connect(&device, &DevicePresenter::changed, [&] { ++deviceChanges; });

    DeviceControls louder = source.stored;
    louder.volume = 0.25;
    source.setControls(louder);
    EXPECT_EQ(deviceChanges, 0) << "hidden: nothing to repaint";
    device.live().setShown(true);
    louder.volume = 0.5;
    source.setControls(louder);
    EXPECT_EQ(deviceChanges, 1);
    emit source.changed();  // the app changed elsewhere
    EXPECT_EQ(deviceChanges, 1);

    device.compact();
    strip.expand();
    strip.hide();
    device.hide();
    EXPECT_EQ(navigator.calls, (std::vector<std::string>{"strip on", "device off", "device on", "strip off",
                                                         "strip off", "device off"}));
    strip.eject();
    strip.edit();
    device.rowTapped("s1");
    EXPECT_EQ(source.calls, (std::vector<std::string>{"controls", "controls", "dismiss", "terminal focus",
                                                      "terminal s1"}));
}

TEST(PresenterFakes, TheFinishedRowsMoveOnlyWhenTheListDiffers) {
    FakeFinishedSource source;
    source.runs = {FinishedRun{}};
    source.runs[0].log = "log";
    auto clock = std::make_shared<FixedClock>(Instant::fromUnixSeconds(1'700'000'000));
    FinishedPresenter presenter(source, clock);
    presenter.toggleLog(0);
    int changes = 0;
    QObject::connect(&presenter, &FinishedPresenter::changed, [&] { ++changes; });
    emit source.changed();
    EXPECT_EQ(changes, 0);
    FinishedRun newer;
    newer.log = "newer";
    source.runs.insert(source.runs.begin(), newer);
    emit source.changed();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(presenter.openLog(), std::optional<std::size_t>(1)) << "the open log follows its run";
    presenter.clear();
    EXPECT_EQ(source.clears, 1);
}

}  // namespace
}  // namespace quorvel
