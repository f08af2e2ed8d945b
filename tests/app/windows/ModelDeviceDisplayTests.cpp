// What the device and the strip draw of the model.
#include "app/windows/device/ModelDeviceDisplay.hpp"

#include <gtest/gtest.h>

#include "app/model/AppModel.hpp"
#include "kit/visuals/model/DeviceSamples.hpp"
#include "tests/app/model/AppModelTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::settle;

TEST(ModelDeviceDisplay, TheDeviceIsLabelledByProjectThenTerminalThenNumber) {
    struct Case {
        std::optional<std::string> cwd;
        std::optional<std::string> termProgram;
        std::string label;
    };
    const Case cases[] = {
        {"/work/site", "kitty", "site"},
        {"/", "iTerm.app", "iterm.app"},
        {std::nullopt, "Apple_Terminal", "apple terminal"},
        {std::nullopt, std::nullopt, "terminal 01"},
        {"/", "", "terminal 01"},
    };
    for (const Case& c : cases) {
        AppModelTestbed bed;
        AppModel& model = bed.make();
        HookEvent event = bed.event("UserPromptSubmit", "s1");
        event.cwd = c.cwd;
        event.termProgram = c.termProgram;
        model.sessions().handleHookEvent(event, true);
        const Instant now = bed.clock->current;
        const DeviceDisplay display = deviceDisplayOf(model, now);
        EXPECT_EQ(display.project, c.label) << c.label;
        const Session session = *model.sessions().machine().focusSession();
        DeviceDisplay expected = DeviceDisplay::build(session.state, false, c.label, session.lastEventAt, 1,
                                                      model.sessions().machine().runningRows(now), model.sessions().finished(), now);
        expected.live = true;
        EXPECT_EQ(display, expected) << c.label;
    }
}

TEST(ModelDeviceDisplay, TheDeviceShowsNoTerminalsTheServerAndAFloppyPutBack) {
    AppModelTestbed bed;
    AppModel& model = bed.make(false);
    const Instant now = bed.clock->current;
    // Before the server runs the display isn't live.
    DeviceDisplay expected = DeviceDisplay::build(std::nullopt, false, std::nullopt, std::nullopt, 0, {}, {}, now);
    expected.live = false;
    EXPECT_EQ(deviceDisplayOf(model, now), expected);
    settle();
    EXPECT_TRUE(deviceDisplayOf(model, now).live);

    bed.finishRun("s1");
    EXPECT_TRUE(deviceDisplayOf(model, now).floppyOut);
    model.device().dismiss();
    EXPECT_FALSE(deviceDisplayOf(model, now).floppyOut);
}

TEST(ModelDeviceDisplay, TheAlarmTestShowsEverySampleInTurnThenTheSessionsAgain) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    const Instant now = bed.clock->current;
    const DeviceDisplay before = deviceDisplayOf(model, now);
    model.device().startAlarmTest();
    for (int step = 0; step < DevicePart::alarmTestStepCount; ++step) {
        EXPECT_EQ(deviceDisplayOf(model, now), DeviceSamples::display(DeviceSamples::names[step], now)) << step;
        model.device().advanceAlarmTest();
    }
    EXPECT_EQ(deviceDisplayOf(model, now), before);
}

}  // namespace
}  // namespace quorvel
