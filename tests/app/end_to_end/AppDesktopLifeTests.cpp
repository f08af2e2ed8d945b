// The app where a Linux desktop's life puts it: a display that can't be reached, a copy
// started over ssh without one and then the desktop's launch, helpers in another network
// namespace, a helper with descriptors of its caller's, and the X server going away under a
// burst. The built app and helper as processes, with a throw-away home on a private bus (see
// the CTest entry); the displays are Xvfb servers of the test's own, the namespaces `unshare`'s.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "hook/LoopbackPost.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/support/AgentPayloads.hpp"
#include "tests/support/AppCopies.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/HelperAndAppTest.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/VirtualDisplay.hpp"
#include "tests/support/WaitFor.hpp"
#include "tests/support/X11Input.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using testing::CopyCounter;
using testing::failedCommandPayload;
using testing::fileText;
using testing::VirtualDisplay;
using testing::waitFor;

class DesktopLifeTest : public testing::HelperAndAppTest {
protected:
    void TearDown() override { appCopies.killAll(); }

    /// The helper's environment with `display` as the agent's terminal has it; the app the
    /// helper starts decides for itself how to show its windows.
    std::map<std::string, std::optional<std::string>> environmentWithDisplay(std::optional<std::string> display) const {
        auto environment = helperEnvironment();
        environment["DISPLAY"] = std::move(display);
        environment["QT_QPA_PLATFORM"] = std::nullopt;
        return environment;
    }

    int runHelperWith(const std::map<std::string, std::optional<std::string>>& environment, int number) const {
        return testing::runHelperForEvent(QUORVEL_HOOK, failedCommandPayload(number), home.path(), environment);
    }

    /// The finished runs' numbers, in ascending order.
    std::vector<int> sortedNumbers() const {
        std::vector<int> numbers = finishedNumbers();
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    }

    /// True once the runs numbered `from` to `to` are each in the list exactly once and the
    /// spool is empty, within `limit`.
    bool handledOnce(int from, int to, std::chrono::milliseconds limit) const {
        std::vector<int> expected;
        for (int number = from; number <= to; ++number) expected.push_back(number);
        return waitFor([&] { return sortedNumbers() == expected && app.spoolEntries() == 0; }, limit);
    }
};

TEST_F(DesktopLifeTest, ADisplayThatCantBeReachedNeverAbortsAStartAndEveryEventIsHandledOnce) {
    // A tmux session kept from an earlier login: its display and its key are gone.
    auto environment = environmentWithDisplay(":65000");
    environment["XAUTHORITY"] = home / "gone/.Xauthority";
    for (int number = 0; number < 44; ++number) ASSERT_EQ(runHelperWith(environment, number), 0);
    EXPECT_TRUE(handledOnce(0, 43, 30s)) << ::testing::PrintToString(sortedNumbers()) << fileText(startedLog());
    EXPECT_TRUE(waitFor([&] { return copies().size() == 1; }, 10s)) << copies().size() << " copies";
}

TEST_F(DesktopLifeTest, ALaunchOnADisplayTakesOverFromACopyStartedWithoutOne) {
    VirtualDisplay display;
    if (display.name().empty()) GTEST_SKIP() << "Xvfb couldn't be started";
    // Started by the helper of an agent used over ssh: no display, no platform chosen.
    app.addEnvironment("QT_QPA_PLATFORM", "");
    ASSERT_TRUE(app.startServing()) << app.logText();
    ASSERT_EQ(runHelper(failedCommandPayload(1)), 0);
    ASSERT_TRUE(waitFor([&] { return sortedNumbers() == std::vector<int>{1}; })) << app.logText();

    // The user launches Quorvel on the desktop.
    testing::RunningProgram launched =
        testing::ProgramLaunch(QUORVEL_APP).environment(environmentWithDisplay(display.name())).start();
    ASSERT_TRUE(launched.started());
    // The copy without windows quits as on SIGTERM, everything saved ...
    EXPECT_EQ(app.waitForExit(10s), std::optional<int>(0)) << app.logText();
    EXPECT_NE(app.logText().find("A launch on a display takes over"), std::string::npos) << app.logText();
    // ... and the launch brings the device up on its display, with what the other copy had.
    testing::X11Input x11(display.name().c_str());
    ASSERT_TRUE(x11.connected());
    EXPECT_TRUE(waitFor(
        [&] {
            const auto titles = x11.shownTitles();
            return std::find(titles.begin(), titles.end(), "Quorvel") != titles.end();
        },
        15s))
        << ::testing::PrintToString(x11.shownTitles()) << fileText(startedLog());
    EXPECT_TRUE(launched.running());
    // An event from over ssh now reaches the copy on the desktop.
    ASSERT_EQ(runHelperWith(environmentWithDisplay(std::nullopt), 2), 0);
    EXPECT_TRUE(handledOnce(1, 2, 15s)) << ::testing::PrintToString(sortedNumbers()) << fileText(startedLog());
    EXPECT_EQ(copies().size(), 1u);
    launched.terminate();
}

TEST_F(DesktopLifeTest, HelpersInAnotherNetworkNamespaceLeaveNoPileOfCopies) {
    if (!testing::ProgramLaunch("unshare").searchPath().arguments({"-n", "true"}).discardOutput().run().succeeded()) {
        GTEST_SKIP() << "no network namespace can be made here (`unshare -n` needs root or user namespaces)";
    }
    ASSERT_TRUE(app.startServing()) << app.logText();
    // Sixty events in 3.3 s from a sandbox that shares the home but not the network: none
    // reaches the app's port or its names, each is spooled.
    const std::string payloads = home / "sandboxed";
    ASSERT_TRUE(files::createDirectories(payloads, 0700));
    CopyCounter counter([&] { return copies().size(); });
    const auto started = Clock::now();
    for (int number = 0; number < 60; ++number) {
        std::this_thread::sleep_until(started + number * 55ms);
        const std::string input = payloads + "/" + std::to_string(number) + ".json";
        ASSERT_TRUE(files::writeFileAtomically(input, failedCommandPayload(number)));
        const auto end = testing::ProgramLaunch("unshare")
                             .searchPath()
                             .arguments({"-n", QUORVEL_HOOK})
                             .environment(helperEnvironment())
                             .inputFromFile(input)
                             .deadline(10s)
                             .run();
        ASSERT_TRUE(end.succeeded()) << number;
    }
    // The helpers find the running app's lock held and start nothing. (Helpers that started a
    // copy per event had up to one copy per start-up's worth of events alive at once, each
    // loading its libraries only to find the lock held.)
    EXPECT_TRUE(waitFor([&] { return copies() == std::vector<pid_t>{app.pid()}; }, 1500ms)) << copies().size();
    const std::size_t most = counter.finish();
    std::printf("60 events from another network namespace: at most %zu copies at once\n", most);
    EXPECT_LE(most, 2u);
    EXPECT_NE(fileText(paths().hookLog()).find("waits in the spool for the running app"),
              std::string::npos);
    // The running copy's tick drains what they spooled: the newest fifty are the list.
    EXPECT_TRUE(handledOnce(10, 59, 15s)) << ::testing::PrintToString(sortedNumbers());
    EXPECT_EQ(copies(), std::vector<pid_t>{app.pid()});
}

TEST_F(DesktopLifeTest, TheAppTheHelperStartsHoldsNoneOfTheHelpersDescriptors) {
    // A wrapper around the agent reads this pipe to its end.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    const int inherited = ::fcntl(ends[1], F_DUPFD, 3);
    ::close(ends[1]);
    const int status = runHelper(failedCommandPayload(5));
    ::close(inherited);
    ASSERT_EQ(status, 0);
    // The end comes at once, while the app the helper started runs on.
    pollfd wait{ends[0], POLLIN, 0};
    const bool ended = ::poll(&wait, 1, 2000) == 1;
    char byte = 0;
    EXPECT_TRUE(ended && ::read(ends[0], &byte, 1) == 0) << "the pipe is still held open";
    ::close(ends[0]);
    EXPECT_TRUE(handledOnce(5, 5, 30s)) << fileText(startedLog());
    EXPECT_EQ(copies().size(), 1u);
}

TEST_F(DesktopLifeTest, TheDisplayGoingAwayUnderABurstLosesNothingThatWasAccepted) {
    VirtualDisplay display;
    if (display.name().empty()) GTEST_SKIP() << "Xvfb couldn't be started";
    app.addEnvironment("DISPLAY", display.name());
    app.addEnvironment("QT_QPA_PLATFORM", "");
    const std::optional<Endpoint> endpoint = app.startServing();
    ASSERT_TRUE(endpoint) << app.logText();

    // About ninety prompts a second, each of a session of its own, the X server killed a
    // second in.
    std::vector<std::string> accepted;
    std::atomic<bool> displayGone = false;
    std::thread killer([&] {
        std::this_thread::sleep_for(1s);
        display.kill();
        displayGone = true;
    });
    const auto started = Clock::now();
    for (int index = 0; Clock::now() - started < 2500ms; ++index) {
        const std::string session = "burst-" + std::to_string(index);
        const HookEvent event =
            HookEvent::make("UserPromptSubmit", session, static_cast<double>(std::time(nullptr)));
        const auto answered = post(json::dump(event.encode()), *endpoint, 1.0);
        if (answered && *answered == 202) accepted.push_back(session);
        std::this_thread::sleep_until(started + (index + 1) * 11ms);
    }
    killer.join();
    ASSERT_TRUE(displayGone);
    // It leaves as on SIGTERM ...
    EXPECT_EQ(app.waitForExit(10s), std::optional<int>(0)) << app.logText();
    EXPECT_NE(app.logText().find("Ended from inside the event loop"), std::string::npos) << app.logText();
    // ... with every event it took saved with its session, or spooled for the next start.
    std::string kept = fileText(fs::path(paths().appSupport()) / "sessions.json");
    std::error_code error;
    for (fs::directory_iterator entry(paths().spool(), error), end; !error && entry != end; entry.increment(error)) {
        kept += fileText(entry->path());
    }
    std::size_t missing = 0;
    for (const std::string& session : accepted) {
        if (kept.find('"' + session + '"') == std::string::npos) ++missing;
    }
    std::printf("display killed under a burst: %zu events answered 202, %zu missing\n", accepted.size(), missing);
    EXPECT_GT(accepted.size(), 60u);
    EXPECT_EQ(missing, 0u);
}

}  // namespace
}  // namespace quorvel
