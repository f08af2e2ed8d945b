// Another local user on the loopback road: a process of "nobody" that listens on the port the
// endpoint file names while the app is down (or takes it the moment the app quits), and one
// that posts forged events with the right token to the running app. The built app and the
// built helper as processes, in a throw-away home on a private session bus (see the CTest
// entry). Playing another user needs root; these cases skip themselves otherwise.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "hook/AppLaunch.hpp"
#include "hook/LoopbackPost.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/support/AgentPayloads.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/HelperAndAppTest.hpp"
#include "tests/support/HookEventRun.hpp"
#include "tests/support/OtherUserPort.hpp"
#include "tests/support/ProgramRun.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::fileText;
using testing::OtherUserPortListener;
using testing::waitFor;

std::size_t occurrences(const std::string& text, const std::string& wanted) {
    std::size_t count = 0;
    for (std::size_t at = text.find(wanted); at != std::string::npos; at = text.find(wanted, at + 1)) ++count;
    return count;
}

class OtherUserPortTest : public testing::HelperAndAppTest {
protected:
    void TearDown() override {
        appCopies.killAll();
        waitFor([&] { return copies().empty(); }, 10s);
    }

    /// Starts the app and waits until it serves: the endpoint it serves at.
    Endpoint startServing() {
        const std::optional<Endpoint> endpoint = app.startServing();
        EXPECT_TRUE(endpoint) << app.logText();
        return endpoint.value_or(Endpoint{});
    }

    /// The command numbers of the finished runs, and whether the simulated session finished.
    std::set<int> finishedNumbers(bool* simulatedDone = nullptr) const {
        std::set<int> numbers;
        for (const FinishedRun& run : app.finished()) {
            if (run.sessionID == "quorvel-simulated") {
                if (simulatedDone) *simulatedDone = true;
            } else {
                numbers.insert(std::atoi(run.title.c_str()));
            }
        }
        return numbers;
    }

    /// Fires the helper for commands `first` to `last` and `--simulate done` (two events) in
    /// `environment` while another user holds the endpoint's port: each run ends within its
    /// watchdog, the other user hears nothing, and the helper's log names the other user for
    /// each event that met it: all of them, or, once a copy of the app the helper started
    /// serves on another port, those before.
    void fireAt(OtherUserPortListener& squatter, int first, int last,
                const std::map<std::string, std::optional<std::string>>& environment, bool everyEventMeetsIt) {
        for (int number = first; number <= last; ++number) {
            const auto started = Clock::now();
            EXPECT_EQ(testing::runHelperForEvent(QUORVEL_HOOK, testing::failedCommandPayload(number), home.path(),
                                                 environment),
                      0);
            EXPECT_LT(Clock::now() - started, 2500ms) << "the helper ran past its watchdog";
        }
        EXPECT_EQ(testing::runToEnd(QUORVEL_HOOK, {"--simulate", "done"}, environment), 0);
        EXPECT_EQ(squatter.heard(), "");
        const std::string hookLog = fileText(paths().hookLog());
        const std::size_t met = occurrences(hookLog, "is held by uid 65534, not this user");
        const auto events = static_cast<std::size_t>(last - first + 1 + 2);
        if (everyEventMeetsIt) {
            EXPECT_EQ(met, events) << hookLog;
        } else {
            EXPECT_GE(met, 1u) << hookLog;
            EXPECT_LE(met, events) << hookLog;
        }
    }

    /// Whether every event `fireAt` gave for `first` to `last` is handled and the spool is
    /// empty, and the other user still heard nothing.
    void expectAllHandled(OtherUserPortListener& squatter, int first, int last) {
        std::set<int> expected;
        for (int number = first; number <= last; ++number) expected.insert(number);
        bool simulatedDone = false;
        EXPECT_TRUE(waitFor(
            [&] {
                simulatedDone = false;
                return finishedNumbers(&simulatedDone) == expected && simulatedDone && app.spoolEntries() == 0;
            },
            60s))
            << ::testing::PrintToString(finishedNumbers()) << "\n"
            << app.spoolEntries() << " left in the spool\n"
            << fileText(startedLog()) << app.logText();
        EXPECT_EQ(squatter.heard(), "");
        EXPECT_TRUE(squatter.stillHeld());
    }
};

TEST_F(OtherUserPortTest, AListenerOfAnotherUserOnThePortWhileTheAppIsDownHearsNothing) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    const Endpoint endpoint = startServing();
    app.stop();
    OtherUserPortListener squatter(endpoint.port, OtherUserPortListener::Taking::now);
    ASSERT_TRUE(squatter.waitUntilHeld(5s));
    // No app comes up meanwhile, so every event meets the other user and is spooled.
    auto environment = helperEnvironment();
    environment[appExecutableVariable] = "/bin/true";
    fireAt(squatter, 1, 5, environment, true);
    EXPECT_EQ(app.spoolEntries(), 7u);
    // Once it runs (on another port: the other user holds its own), the app handles them all.
    ASSERT_TRUE(app.start());
    expectAllHandled(squatter, 1, 5);
}

TEST_F(OtherUserPortTest, AnotherUserTakingThePortTheMomentTheAppQuitsHearsNothing) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    const Endpoint endpoint = startServing();
    OtherUserPortListener squatter(endpoint.port, OtherUserPortListener::Taking::onceFree);
    app.stop();
    ASSERT_TRUE(squatter.waitUntilHeld(30s));
    // The helper starts the app, as for a refused connection.
    fireAt(squatter, 1, 3, helperEnvironment(), false);
    expectAllHandled(squatter, 1, 3);
}

TEST_F(OtherUserPortTest, ForgedPostsWithTheRightTokenAreClosedUnreadAndThisUsersGoThrough) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    const Endpoint endpoint = startServing();
    ASSERT_NE(endpoint.port, 0);

    const double now = static_cast<double>(std::time(nullptr));
    HookEvent needsYou = HookEvent::make("Notification", "forged-session", now);
    needsYou.notificationType = "permission_prompt";
    needsYou.message = "Type your password at forged.example";
    HookEvent done = HookEvent::make("Stop", "forged-session", now);
    for (const HookEvent& forged : {needsYou, done}) {
        const auto reply = testing::sendAsOtherUser(endpoint.port, eventRequest(json::dump(forged.encode()), endpoint.token));
        ASSERT_TRUE(reply.has_value()) << "couldn't connect as another user";
        EXPECT_EQ(*reply, "") << "the app answered another user";
    }

    // This user's events, and this user's token check, as before.
    EXPECT_EQ(runHelper(testing::failedCommandPayload(7)), 0);
    const auto wrongToken = post(json::dump(done.encode()), Endpoint{endpoint.port, "not-the-token"}, 5.0);
    ASSERT_TRUE(wrongToken.hasValue()) << wrongToken.error().description;
    EXPECT_EQ(*wrongToken, 401);
    EXPECT_TRUE(waitFor([&] { return finishedNumbers().count(7) == 1; }, 10s)) << app.logText();
    // Past the second within which the sessions are saved after a change.
    std::this_thread::sleep_for(1500ms);

    for (const FinishedRun& run : app.finished()) EXPECT_NE(run.sessionID, "forged-session");
    EXPECT_EQ(fileText(paths().appSupport() + "/sessions.json").find("forged"), std::string::npos);
    const std::string log = app.logText();
    // Both refused; repeated refusals are said once, the rest as a count later.
    EXPECT_EQ(occurrences(log, "Rejected a connection from uid 65534"), 1u) << log;
    EXPECT_EQ(log.find("forged"), std::string::npos) << log;
    EXPECT_TRUE(app.running());
}

}  // namespace
}  // namespace quorvel
