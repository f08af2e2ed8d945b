// What the user sets going: simulations, the terminal, the alarm test and the dismiss, and a
// new user's first simulated run from the hooks on to the banner.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kit/visuals/model/DeviceSamples.hpp"
#include "tests/app/model/AppModelTestbed.hpp"
#include "tests/support/InstalledHooks.hpp"

namespace quorvel::testing {
namespace {

// ---- simulations ------------------------------------------------------------------------------

TEST(AppModelActionsTests, SimulateRunsTheInstalledHelperWithTheState) {
    AppModelTestbed bed;
    const std::string source = bed.home / "recording-helper";
    const std::string arguments = bed.home / "arguments.txt";
    ASSERT_TRUE(files::writeFileAtomically(source, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + arguments + "'\n", 0755));
    bed.helperSource = source;
    AppModel& model = bed.make();

    for (const std::string state : {"done", "needsyou", "broke", "crashed"}) {
        model.hooks().simulate(state);
        settle();
        const auto written = files::readFile(arguments);
        EXPECT_EQ(written ? *written : "", "--simulate\n" + state + "\n");
    }
    EXPECT_TRUE(bed.recorded.errorAlerts.empty());
}

TEST(AppModelActionsTests, AHelperThatCantStartIsShown) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    ASSERT_TRUE(std::filesystem::remove(model.paths().helper()));
    model.hooks().simulate("done");
    settle();
    ASSERT_EQ(bed.recorded.errorAlerts.size(), 1u);
    EXPECT_EQ(bed.recorded.errorAlerts[0].rfind(std::strerror(ENOENT), 0), 0u) << bed.recorded.errorAlerts[0];
    EXPECT_NE(bed.recorded.errorAlerts[0].find(model.paths().helper()), std::string::npos);
}

// ---- the terminal -----------------------------------------------------------------------------

TEST(AppModelActionsTests, TheTerminalOfTheGivenOrFocusSessionIsBroughtForward) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    model.device().bringTerminalForward(std::nullopt);
    EXPECT_TRUE(bed.recorded.windowActivations.empty());

    HookEvent first = bed.event("SessionStart", "s1");
    first.cwd = "/work/first";
    model.sessions().handleHookEvent(first, true);
    HookEvent second = bed.event("UserPromptSubmit", "s2");
    second.cwd = "/work/second";
    model.sessions().handleHookEvent(second, true);
    const std::optional<std::string> focus = model.sessions().machine().focusSession()->id;

    const auto kitty = TerminalFinder::desktopApplication(*TerminalFinder::bundleIdentifier("kitty"));
    ASSERT_TRUE(kitty);
    std::string classes;
    for (const std::string& name : kitty->windowClasses) classes += (classes.empty() ? "" : ",") + name;

    model.device().bringTerminalForward("s1");
    model.device().bringTerminalForward("no such session");
    const std::string focusFolder = *focus == "s1" ? "first" : "second";
    EXPECT_EQ(bed.recorded.windowActivations,
              (std::vector<std::string>{classes + " | first", classes + " | " + focusFolder}));
}

// ---- the device -------------------------------------------------------------------------------

TEST(AppModelActionsTests, TheAlarmTestStepsThroughEverySampleWithItsSoundEvenWhenMuted) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    model.device().setMuted(true);
    model.device().setControls({0.5, true, true, false});

    model.device().startAlarmTest();
    std::vector<int> holds;
    std::vector<std::optional<int>> steps;
    for (int step = 0; step < DevicePart::alarmTestStepCount; ++step) {
        steps.push_back(model.device().alarmTestStep());
        EXPECT_TRUE(DevicePartTestAccess::alarmTimer(model.device()).isActive());
        holds.push_back(DevicePartTestAccess::alarmTimer(model.device()).interval());
        model.device().advanceAlarmTest();
    }
    EXPECT_EQ(steps, (std::vector<std::optional<int>>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(holds, (std::vector<int>{3000, 3000, 3000, 4400, 3000, 3800, 3000, 3000}));
    int total = 0;
    for (int hold : holds) total += hold;
    EXPECT_EQ(total, 26200);
    EXPECT_EQ(bed.soundNames(), (std::vector<std::string>{"tick", "fanfare", "alarm", "buzz", "powerdown"}));
    // At the fader's volume, squared.
    for (const auto& [name, gain] : bed.recorded.sounds) EXPECT_EQ(gain, 0.25) << name;

    EXPECT_FALSE(model.device().alarmTestStep().has_value());
    EXPECT_FALSE(DevicePartTestAccess::alarmTimer(model.device()).isActive());

    // Started again, it starts from the first sample.
    model.device().startAlarmTest();
    model.device().advanceAlarmTest();
    model.device().startAlarmTest();
    EXPECT_EQ(model.device().alarmTestStep(), std::optional<int>(0));
}

TEST(AppModelActionsTests, DismissEndsTheAlarmTestFirstThenAcknowledgesTheFocusSession) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    bed.finishRun("s1");
    ASSERT_EQ(model.sessions().machine().sessions.at("s1").state.kind(), SessionState::Kind::done);

    model.device().startAlarmTest();
    model.device().advanceAlarmTest();
    model.device().advanceAlarmTest();  // the long run's tick is playing
    model.device().dismiss();
    EXPECT_FALSE(model.device().alarmTestStep().has_value());
    EXPECT_FALSE(DevicePartTestAccess::alarmTimer(model.device()).isActive());
    EXPECT_TRUE(contains(bed.recorded.soundsStopped, "tick"));
    EXPECT_EQ(model.sessions().machine().sessions.at("s1").state.kind(), SessionState::Kind::done);
    EXPECT_FALSE(model.device().floppyPutBack());

    model.device().dismiss();
    EXPECT_EQ(model.sessions().machine().sessions.at("s1").state.kind(), SessionState::Kind::idle);
    EXPECT_TRUE(model.device().floppyPutBack());

    // The next done alert brings the floppy out again.
    bed.finishRun("s1");
    EXPECT_FALSE(model.device().floppyPutBack());
}

TEST(AppModelActionsTests, DismissWithNoSessionsStillSilencesAndPutsTheFloppyBack) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    bed.finishRun("s1");  // the fanfare plays
    model.sessions().handleHookEvent(bed.event("SessionEnd", "s1"), true);
    ASSERT_TRUE(model.sessions().machine().sessions.empty());

    testing::SignalCounter machineChanged(model.sessions(), &SessionsPart::machineChanged);
    model.device().dismiss();
    EXPECT_EQ(bed.recorded.soundsStopped, (std::vector<std::string>{"fanfare"}));
    EXPECT_TRUE(model.device().floppyPutBack());
    EXPECT_EQ(machineChanged.count(), 0);
}

// ---- issue's "done when": a new user turns the hooks on and simulates a finished run ----------

/// Sets an environment variable for one scope.
class ScopedHome {
public:
    explicit ScopedHome(const std::string& home) {
        if (const char* old = std::getenv("HOME")) old_ = old;
        ::setenv("HOME", home.c_str(), 1);
    }
    ~ScopedHome() {
        if (old_) {
            ::setenv("HOME", old_->c_str(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }
    ScopedHome(const ScopedHome&) = delete;
    ScopedHome& operator=(const ScopedHome&) = delete;

private:
    std::optional<std::string> old_;
};

TEST(AppModelActionsTests, ANewUserTurnsHooksOnAndASimulatedDoneSoundsTheFanfareAndPostsTheBanner) {
    const std::string builtHelper = QUORVEL_BINARY_DIR "/bin/quorvel-hook";
    ASSERT_TRUE(std::filesystem::exists(builtHelper)) << "build quorvel-hook first";
    AppModelTestbed bed;
    bed.helperSource = builtHelper;  // the app installs the real helper
    AppModel& model = bed.make();
    ASSERT_NE(model.sessions().server(), nullptr);
    // A user of the agent who never set anything: its folder, no settings file.
    ASSERT_TRUE(files::createDirectories(bed.home / ".claude"));
    ASSERT_FALSE(std::filesystem::exists(bed.home / ".claude/settings.json"));

    // "Turn on hooks" in the menu.
    model.hooks().installHooks();
    EXPECT_EQ(model.hooks().hookStatus(), HookInstaller::Status::installed(false));
    const json::Json settings = json::parse(*files::readFile(bed.home / ".claude/settings.json"));
    expectEveryRegistrationInstalled(settings, model.paths().helper());
    EXPECT_EQ(settings.at("hooks").at("PostToolUse")[0].at("matcher"), "Bash");
    EXPECT_EQ(settings.at("hooks").at("SessionEnd")[0].at("hooks")[0].at("timeout"), 2);

    // "Simulate Done": the installed helper posts a run and its stop to the app's server.
    ScopedHome home(bed.home.path());
    model.hooks().simulate("done");
    QElapsedTimer waited;
    waited.start();
    while (bed.recorded.banners.empty() && waited.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    settle();
    EXPECT_TRUE(bed.recorded.errorAlerts.empty());
    EXPECT_EQ(bed.soundNames(), (std::vector<std::string>{"fanfare"}));
    ASSERT_EQ(bed.recorded.banners.size(), 1u);
    EXPECT_EQ(bed.recorded.banners[0].title, "DONE. GO LOOK.");
    EXPECT_EQ(bed.recorded.banners[0].threadIdentifier, "quorvel-simulated");
    ASSERT_EQ(model.sessions().finished().size(), 1u);
    EXPECT_EQ(model.sessions().finished()[0].title, "Test the alarm");
}

}  // namespace
}  // namespace quorvel::testing
