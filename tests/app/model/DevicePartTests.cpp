// The device part on its own: no model, no state machine, only stand-ins for the sessions it
// reaches through `DeviceSessions`.
#include <gtest/gtest.h>

#include <map>

#include "app/model/device/DevicePart.hpp"
#include "tests/app/model/AppModelTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::SignalCounter;

/// The sessions the device sees, and what it asked of them.
struct StandInSessions {
    std::map<std::string, Session> table;
    std::optional<std::string> focusID;
    std::vector<std::string> acknowledged;

    void add(const std::string& id, const std::string& cwd) {
        Session session;
        session.id = id;
        session.termProgram = "kitty";
        session.cwd = cwd;
        table[id] = session;
    }
    DeviceSessions wired() {
        return DeviceSessions{
            [this](const std::string& id) -> std::optional<Session> {
                const auto found = table.find(id);
                return found == table.end() ? std::nullopt : std::optional<Session>(found->second);
            },
            [this]() -> std::optional<Session> {
                return focusID ? std::optional<Session>(table.at(*focusID)) : std::nullopt;
            },
            [this](const std::string& id) { acknowledged.push_back(id); }};
    }
};

/// The services of the model's test bed, taken apart: only what the device part is made from.
struct DeviceBed {
    AppModelTestbed bed;
    AppServices services = bed.services();
    StandInSessions sessions;

    std::unique_ptr<DevicePart> make() {
        return std::make_unique<DevicePart>(*services.defaults, *services.sounds, *services.terminalFinder,
                                            sessions.wired());
    }
};

TEST(DevicePartTests, DismissAcknowledgesTheFocusSessionOnlyWhenNoAlarmTestRuns) {
    DeviceBed device;
    auto part = device.make();
    SignalCounter floppy(*part, &DevicePart::floppyPutBackChanged);
    SignalCounter changed(*part, &DevicePart::changed);

    // No session: nothing to acknowledge, the floppy still goes back.
    part->dismiss();
    EXPECT_TRUE(device.sessions.acknowledged.empty());
    EXPECT_TRUE(part->floppyPutBack());

    device.sessions.add("s1", "/work/one");
    device.sessions.focusID = "s1";
    part->setFloppyPutBack(false);
    part->dismiss();
    EXPECT_EQ(device.sessions.acknowledged, std::vector<std::string>{"s1"});
    EXPECT_TRUE(part->floppyPutBack());
    EXPECT_EQ(floppy.count(), 3);
    EXPECT_EQ(changed.count(), 3);

    // While the alarm test runs, a dismiss ends the test and nothing else.
    part->setFloppyPutBack(false);
    part->startAlarmTest();
    ASSERT_EQ(part->alarmTestStep(), std::optional<int>(0));
    part->dismiss();
    EXPECT_EQ(part->alarmTestStep(), std::nullopt);
    EXPECT_FALSE(DevicePartTestAccess::alarmTimer(*part).isActive());
    EXPECT_EQ(device.sessions.acknowledged.size(), 1u);
    EXPECT_FALSE(part->floppyPutBack());
}

TEST(DevicePartTests, TheTerminalComesForwardForTheNamedSessionElseTheFocusOne) {
    DeviceBed device;
    auto part = device.make();
    part->bringTerminalForward("s1");
    part->bringTerminalForward(std::nullopt);
    EXPECT_TRUE(device.bed.recorded.windowActivations.empty()) << "no session, nothing to bring forward";

    device.sessions.add("s1", "/work/one");
    device.sessions.add("s2", "/work/two");
    device.sessions.focusID = "s2";
    part->bringTerminalForward("s1");
    part->bringTerminalForward("gone");
    ASSERT_EQ(device.bed.recorded.windowActivations.size(), 2u);
    EXPECT_TRUE(device.bed.recorded.windowActivations[0].ends_with(" | one"));
    EXPECT_TRUE(device.bed.recorded.windowActivations[1].ends_with(" | two"));
}

TEST(DevicePartTests, TheControlsAreSavedOnEveryAssignmentAndComeBackInTheNextPart) {
    DeviceBed device;
    auto part = device.make();
    EXPECT_EQ(part->controls(), DeviceControls::standard());
    SignalCounter controls(*part, &DevicePart::controlsChanged);

    part->setControls({0.3, false, true, true});
    part->setControls({0.3, false, true, true});
    EXPECT_EQ(controls.count(), 1);
    // Played at the device volume whether muted or not.
    part->setMuted(true);
    part->playSound(Sound::alarm);
    ASSERT_EQ(device.bed.recorded.sounds.size(), 1u);
    EXPECT_EQ(device.bed.recorded.sounds[0].first, "alarm");

    // A value written behind the part's back is put right by the next assignment, equal or not.
    device.services.defaults->setString("deviceControls", "not controls");
    part->setControls({0.3, false, true, true});
    const DeviceControls saved{0.3, false, true, true};
    EXPECT_EQ(device.make()->controls(), saved);
}

}  // namespace
}  // namespace quorvel
