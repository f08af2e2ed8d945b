// A wall clock stepped back between a prompt and its Stop, as NTP steps it, while both events
// wait in the spool: the built helper and app as processes, each under libfaketime (one
// offset file for both, the machine's clock; the boot clock left alone, as a step leaves it),
// with the app paused (SIGSTOP) or not running. The run ends with its title and a length, and
// no long-run alert follows once the app's clock is past the long-run time. And the wall clock
// jumping two hours ahead in a run while the monotonic clock stands still, as across a
// suspend: the run goes on, held awake, until its Stop. A throw-away home on a private
// session bus (see the CTest entry), where the test stands in for logind.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QThread>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "kit/engine/HookEvent.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/support/FakeLogind.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/HelperAndAppTest.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* fakeTimeLibrary = "/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1";

std::string payload(const std::string& event, const std::string& prompt = "") {
    json::Json made = json::Json::object();
    made["hook_event_name"] = event;
    made["session_id"] = "stepped";
    made["cwd"] = "/work/site";
    if (!prompt.empty()) made["prompt"] = prompt;
    return json::dump(made);
}

/// The helper and the app with a wall clock of the test's.
class FakeClockTest : public testing::HelperAndAppTest {
protected:
    void SetUp() override {
        if (::access(fakeTimeLibrary, R_OK) != 0) GTEST_SKIP() << "libfaketime is not installed (scripts/setup.sh)";
        setClockOffset(0);
        for (const auto& [name, value] : fakeClock()) app.addEnvironment(name, value);
    }
    void TearDown() override {
        app.resume();
        app.stop();
        appCopies.killAll();
    }

    /// What gives a process the test's wall clock: the offset file read at every call, the
    /// monotonic and boot clocks untouched.
    std::map<std::string, std::string> fakeClock() const {
        return {{"LD_PRELOAD", fakeTimeLibrary},
                {"FAKETIME_TIMESTAMP_FILE", clockFile},
                {"FAKETIME_NO_CACHE", "1"},
                {"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};
    }
    /// Steps the wall clock of the app and the helper to `seconds` off the real one.
    void setClockOffset(int seconds) {
        ASSERT_TRUE(files::writeFileAtomically(clockFile, (seconds < 0 ? "" : "+") + std::to_string(seconds) + "\n"));
    }

    int runSteppedHelper(const std::string& input) const {
        auto environment = helperEnvironment();
        for (const auto& [name, value] : fakeClock()) environment[name] = value;
        // With the app down the test starts it itself, under its clock.
        environment["QUORVEL_APP_EXECUTABLE"] = "/bin/true";
        return testing::runHelperForEvent(QUORVEL_HOOK, input, home.path(), environment);
    }

    /// The two events waiting in the spool, the prompt first.
    std::pair<HookEvent, HookEvent> spooledPromptAndStop() const {
        std::vector<HookEvent> events;
        for (const auto& entry : fs::directory_iterator(paths().spool())) {
            events.push_back(HookEvent::decode(json::parse(testing::fileText(entry.path().string()))));
        }
        if (events.size() != 2) return {};
        if (events[0].kind() != HookEventKind::userPromptSubmit) std::swap(events[0], events[1]);
        return {events[0], events[1]};
    }

    std::string savedSessions() const { return testing::fileText(paths().appSupport() + "/sessions.json"); }

    std::string clockFile = home / "wall-clock-offset";
};

/// How the app meets the two events: paused, so its server takes the posts but answers
/// neither and the helper spools both, or not running at all.
enum class AppWhile { paused, down };

struct ClockStep {
    AppWhile app;
    int backSeconds;
};

class AppClockStepTest : public FakeClockTest, public ::testing::WithParamInterface<ClockStep> {};

TEST_P(AppClockStepTest, ARunWhoseStopIsStampedBeforeItsPromptEndsWithItsTitleAndNoLongRunFollows) {
    const ClockStep step = GetParam();
    if (step.app == AppWhile::paused) {
        ASSERT_TRUE(app.startServing()) << app.logText();
        ASSERT_TRUE(app.pause());
    }
    ASSERT_EQ(runSteppedHelper(payload("UserPromptSubmit", "fix the build")), 0);
    std::this_thread::sleep_for(1s);
    setClockOffset(-step.backSeconds);
    ASSERT_EQ(runSteppedHelper(payload("Stop")), 0);
    ASSERT_EQ(app.spoolEntries(), 2u) << testing::fileText(paths().hookLog());
    // The helper's wall clock did go back: its Stop is stamped before its prompt.
    const auto [prompt, stop] = spooledPromptAndStop();
    ASSERT_LT(stop.receivedAt, prompt.receivedAt - step.backSeconds + 5);

    if (step.app == AppWhile::paused) {
        ASSERT_TRUE(app.resume());
    } else {
        ASSERT_TRUE(app.start());
    }
    ASSERT_TRUE(testing::waitFor([&] { return app.finished().size() == 1 && app.spoolEntries() == 0; }, 30s))
        << app.logText();
    const FinishedRun run = app.finished().front();
    EXPECT_EQ(run.title, "fix the build");
    EXPECT_TRUE(run.duration.has_value());

    // The app's clock eleven minutes past the prompt, and two ticks to look at it.
    setClockOffset(660);
    std::this_thread::sleep_for(11s);
    ASSERT_TRUE(app.running());
    EXPECT_EQ(app.finished().size(), 1u);
    const std::string sessions = savedSessions();
    EXPECT_NE(sessions.find("\"stepped\""), std::string::npos) << sessions;
    EXPECT_EQ(sessions.find("longRun"), std::string::npos) << sessions;
    EXPECT_EQ(sessions.find("running"), std::string::npos) << sessions;
}

INSTANTIATE_TEST_SUITE_P(StepsBack, AppClockStepTest,
                         ::testing::Values(ClockStep{AppWhile::paused, 30}, ClockStep{AppWhile::paused, 300},
                                           ClockStep{AppWhile::down, 30}, ClockStep{AppWhile::down, 300}),
                         [](const ::testing::TestParamInfo<ClockStep>& info) {
                             return std::string(info.param.app == AppWhile::paused ? "AppPaused" : "AppDown") +
                                    std::to_string(info.param.backSeconds) + "Seconds";
                         });

/// The app with the test's logind on the system bus it asks (the test's private bus).
class AppSuspendTest : public FakeClockTest {
protected:
    void SetUp() override {
        FakeClockTest::SetUp();
        if (IsSkipped()) return;
        const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        if (bus == nullptr || *bus == '\0') GTEST_SKIP() << "needs the private session bus of its CTest entry";
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "app_clock_step_tests";
            static char* argv[] = {name, nullptr};
            new QCoreApplication(argc, argv);
        }
        logind = new testing::FakeLogind;
        logind->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, logind, &QObject::deleteLater);
        thread.start();
        QDBusConnection peer = QDBusConnection::connectToBus(QDBusConnection::SessionBus, logindConnection);
        ASSERT_TRUE(peer.registerObject(QStringLiteral("/org/freedesktop/login1"), logind,
                                        QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(peer.registerService(QStringLiteral("org.freedesktop.login1")));
        app.addEnvironment("DBUS_SYSTEM_BUS_ADDRESS", bus);
    }
    void TearDown() override {
        FakeClockTest::TearDown();
        if (!thread.isRunning()) return;
        QDBusConnection::disconnectFromBus(logindConnection);
        thread.quit();
        thread.wait();
    }

    /// The read ends of the keep-awake locks the app took so far.
    std::vector<int> locks() {
        std::lock_guard lock(logind->mutex);
        return logind->readEnds;
    }

    const QString logindConnection = QStringLiteral("fake-logind");
    QThread thread;
    testing::FakeLogind* logind = nullptr;
};

TEST_F(AppSuspendTest, ARunThroughTwoHoursAsleepGoesOnHeldAwakeUntilItsStop) {
    ASSERT_TRUE(app.startServing()) << app.logText();
    ASSERT_EQ(runSteppedHelper(payload("UserPromptSubmit", "fix the build")), 0);
    ASSERT_TRUE(testing::waitFor([&] { return locks().size() == 1; }, 10s)) << app.logText();
    const int lock = locks().front();

    // The lid closed for two hours: the wall clock moves on, the monotonic clock doesn't.
    setClockOffset(7200);
    std::this_thread::sleep_for(11s);
    EXPECT_FALSE(testing::FakeLogind::released(lock)) << app.logText();
    const std::string sessions = savedSessions();
    EXPECT_NE(sessions.find("running"), std::string::npos) << sessions;
    EXPECT_EQ(sessions.find("longRun"), std::string::npos) << sessions;

    // The agent carries on where it was, and stops.
    for (int tool = 0; tool < 2; ++tool) ASSERT_EQ(runSteppedHelper(payload("PostToolUse")), 0);
    std::this_thread::sleep_for(6s);
    EXPECT_FALSE(testing::FakeLogind::released(lock)) << app.logText();
    ASSERT_EQ(runSteppedHelper(payload("Stop")), 0);
    ASSERT_TRUE(testing::waitFor([&] { return app.finished().size() == 1; }, 10s)) << app.logText();
    const FinishedRun run = app.finished().front();
    EXPECT_EQ(run.title, "fix the build");
    // Its length is the wall clock's, the two hours asleep included.
    ASSERT_TRUE(run.duration.has_value());
    EXPECT_GE(*run.duration, 7200);
    EXPECT_TRUE(testing::waitFor([&] { return testing::FakeLogind::released(lock); }, 10s)) << app.logText();
    EXPECT_EQ(locks().size(), 1u) << "held once, through the whole run";
}

}  // namespace
}  // namespace quorvel
