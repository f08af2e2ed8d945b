#include "app/windows/device/DevicePresenter.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "app/windows/device/StripPresenter.hpp"
#include "tests/app/windows/AppWindowsTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppWindowsTestbed;
using testing::settle;

class DevicePresenterTest : public ::testing::Test {
protected:
    void SetUp() override { testbed.make(); }

    std::optional<json::Json> storedControls() const { return testbed.defaults->jsonValue("deviceControls"); }

    AppWindowsTestbed testbed;
};

TEST(LiveDisplayTest, TicksFallOnWholeSeconds) {
    EXPECT_EQ(LiveDisplay::millisecondsToNextSecond(Instant::fromUnixSeconds(100.25)), 750);
    EXPECT_EQ(LiveDisplay::millisecondsToNextSecond(Instant::fromUnixSeconds(100.0)), 1000);
    EXPECT_EQ(LiveDisplay::millisecondsToNextSecond(Instant::fromUnixSeconds(100.9999)), 1);
    EXPECT_EQ(LiveDisplay::millisecondsToNextSecond(Instant::fromUnixSeconds(std::nan(""))), 1000);
}

TEST_F(DevicePresenterTest, ItTicksOnlyWhileShownWithABusySessionAndSaysNothingWhileHidden) {
    DevicePresenter presenter(testbed.sources->device(), *testbed.windows, testbed.clock);
    int changes = 0;
    QObject::connect(&presenter, &DevicePresenter::changed, [&] { ++changes; });

    testbed.model->sessions().handleHookEvent(testbed.event("UserPromptSubmit", "s1", 30), true);
    settle();
    EXPECT_FALSE(presenter.live().ticking());
    EXPECT_EQ(changes, 0) << "hidden: nothing to redraw";

    presenter.live().setShown(true);
    EXPECT_TRUE(presenter.live().ticking());
    EXPECT_EQ(presenter.display().runningCount, 1);

    // Past the spacing of changes after that rebuild, so the Stop is drawn at the next pass.
    testbed.clock->current = Instant::fromUnixSeconds(testbed.clock->current.unixSeconds() + 0.1);
    testbed.model->sessions().handleHookEvent(testbed.event("Stop", "s1", 10), true);
    settle();
    EXPECT_GE(changes, 1);
    EXPECT_FALSE(presenter.live().ticking()) << "a done session does not tick";

    presenter.live().setShown(false);
    const int before = changes;
    testbed.model->sessions().handleHookEvent(testbed.event("UserPromptSubmit", "s1", 5), true);
    settle();
    EXPECT_EQ(changes, before);
    EXPECT_FALSE(presenter.live().ticking());
    // Shown again it catches up at once.
    presenter.live().setShown(true);
    EXPECT_TRUE(presenter.live().ticking());
    EXPECT_EQ(presenter.display().running.size(), 1u);
}

TEST_F(DevicePresenterTest, WithNothingRunningTheModelsTicksRedrawOncePerMinuteAtMost) {
    testbed.finishRun("s1", 0, 30);
    settle();
    DevicePresenter presenter(testbed.sources->device(), *testbed.windows, testbed.clock);
    presenter.live().setShown(true);
    int changes = 0;
    QObject::connect(&presenter, &DevicePresenter::changed, [&] { ++changes; });
    const double start = testbed.clock->current.unixSeconds();
    const double nextMinute = (std::floor(start / 60) + 1) * 60;
    testbed.clock->current = Instant::fromUnixSeconds(nextMinute - 10);
    testbed.model->sessions().tick();
    settle();
    EXPECT_EQ(changes, 0);
    testbed.clock->current = Instant::fromUnixSeconds(nextMinute + 1);
    testbed.model->sessions().tick();
    settle();
    EXPECT_EQ(changes, 1) << "a new minute may change the finish times shown";
    EXPECT_EQ(presenter.display().now, testbed.clock->current);
}

TEST_F(DevicePresenterTest, AFaderDragIsShownAtOnceButStoredOnceWhenItEnds) {
    DevicePresenter presenter(testbed.sources->device(), *testbed.windows, testbed.clock);
    presenter.live().setShown(true);
    const DeviceControls before = testbed.model->device().controls();
    testing::SignalCounter saves(testbed.model->device(), &DevicePart::controlsChanged);

    DeviceControls dragged = before;
    for (double volume : {0.7, 0.5, 0.3}) {
        dragged.volume = volume;
        presenter.editControls(dragged);
    }
    EXPECT_DOUBLE_EQ(presenter.controls().volume, 0.3);
    EXPECT_EQ(testbed.model->device().controls(), before);
    EXPECT_EQ(saves.count(), 0);

    dragged.volume = std::nan("");  // what a broken pointer position would give
    presenter.editControls(dragged);
    EXPECT_DOUBLE_EQ(presenter.controls().volume, 0.3);
    dragged.volume = 0.25;
    presenter.settleControls(dragged);
    EXPECT_EQ(saves.count(), 1);
    EXPECT_DOUBLE_EQ(testbed.model->device().controls().volume, 0.25);
    ASSERT_TRUE(storedControls());
    EXPECT_DOUBLE_EQ((*storedControls())["volume"].get<double>(), 0.25);
}

TEST_F(DevicePresenterTest, ADragStillHeldWhenThePresenterGoesIsKept) {
    {
        DevicePresenter presenter(testbed.sources->device(), *testbed.windows, testbed.clock);
        DeviceControls dragged = testbed.model->device().controls();
        dragged.volume = 1.7;  // past the top: held to 1
        presenter.editControls(dragged);
    }
    EXPECT_DOUBLE_EQ(testbed.model->device().controls().volume, 1.0);
    EXPECT_DOUBLE_EQ((*storedControls())["volume"].get<double>(), 1.0);
}

TEST_F(DevicePresenterTest, CompactAndExpandBringTheOtherFaceUpFirst) {
    DevicePresenter device(testbed.sources->device(), *testbed.windows, testbed.clock);
    StripPresenter strip(testbed.sources->device(), *testbed.windows, testbed.clock);
    testbed.windowRecord.events.clear();
    device.compact();
    EXPECT_EQ(testbed.windowRecord.events, (std::vector<std::string>{"make strip", "show strip", "hide device"}));
    EXPECT_TRUE(testbed.windows->stripVisible());
    EXPECT_FALSE(testbed.windows->deviceVisible());
    EXPECT_EQ(testbed.defaults->boolValue("stripVisible"), std::optional<bool>(true));
    EXPECT_EQ(testbed.defaults->boolValue("deviceVisible"), std::optional<bool>(false));

    testbed.windowRecord.events.clear();
    strip.expand();
    EXPECT_EQ(testbed.windowRecord.events, (std::vector<std::string>{"show device", "hide strip"}));
    EXPECT_EQ(testbed.defaults->boolValue("stripVisible"), std::optional<bool>(false));
    EXPECT_EQ(testbed.defaults->boolValue("deviceVisible"), std::optional<bool>(true));
}

TEST_F(DevicePresenterTest, KeysReachTheModel) {
    DevicePresenter device(testbed.sources->device(), *testbed.windows, testbed.clock);
    StripPresenter strip(testbed.sources->device(), *testbed.windows, testbed.clock);
    testbed.model->sessions().handleHookEvent(testbed.event("UserPromptSubmit", "s1", 30), true);
    testbed.model->sessions().handleHookEvent(testbed.event("Stop", "s1", 10), true);
    settle();
    device.eject();
    EXPECT_TRUE(testbed.model->device().floppyPutBack());
    device.testAlarm();
    EXPECT_EQ(testbed.model->device().alarmTestStep(), std::optional<int>(0));
    strip.eject();
    EXPECT_EQ(testbed.model->device().alarmTestStep(), std::nullopt);

    testbed.recorded.windowActivations.clear();
    strip.edit();
    device.rowTapped("s1");
    EXPECT_EQ(testbed.recorded.windowActivations.size(), 2u);

    device.hide();
    EXPECT_FALSE(testbed.windows->deviceVisible());
    strip.hide();
    EXPECT_FALSE(testbed.windows->stripVisible());
}

}  // namespace
}  // namespace quorvel
