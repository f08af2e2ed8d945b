// Another local user can compute the names by which copies of the app find each other (and
// see them bound in /proc/net/unix), and bind them first: the built app and the built helper
// as processes, in a throw-away home on a private session bus (see the CTest entry), against a
// process of "nobody" that binds, listens on, fills and answers both names. A peer of this
// user that connects to the launch socket and says nothing is met here too. Playing another
// user needs root; those cases skip themselves otherwise.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/instance/InstanceChannel.hpp"
#include "app/instance/SingleInstance.hpp"
#include "tests/support/AgentPayloads.hpp"
#include "tests/support/AppCopies.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/HelperAndAppTest.hpp"
#include "tests/support/OtherUserSocket.hpp"
#include "tests/support/ProgramRun.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Behaviour = testing::OtherUserSocket::Behaviour;

using testing::CopyCounter;
using testing::failedCommandPayload;
using testing::fileText;
using testing::waitFor;

std::string behaviourName(Behaviour behaviour) {
    switch (behaviour) {
    case Behaviour::silent:
        return "bound, not listening";
    case Behaviour::fullQueue:
        return "listening, queue full";
    case Behaviour::answering:
        return "listening, answering";
    }
    return "?";
}

class OtherUserTest : public testing::HelperAndAppTest {
protected:
    /// Runs `program` with `arguments` in the helper's environment and waits for it: its exit
    /// status, -1 when it didn't end by itself.
    int run(const std::string& program, const std::vector<std::string>& arguments) {
        return testing::runToEnd(program, arguments, helperEnvironment());
    }

    /// The finished runs' titles (the command numbers).
    std::set<int> finishedNumbers() const {
        std::set<int> numbers;
        for (const FinishedRun& run : app.finished()) numbers.insert(std::atoi(run.title.c_str()));
        return numbers;
    }

    /// Whether a copy serves: the endpoint it wrote names the port it says it listens on.
    bool serving(const std::string& log) const { return testing::AppProcess::servingEndpoint(paths(), log).has_value(); }

    void endEveryCopy() {
        appCopies.killAll();
        waitFor([&] { return copies().empty(); }, 10s);
    }

    /// With "nobody" holding the lock name as `lockBehaviour` and the launch name as
    /// `launchBehaviour`: fifty hook events with no copy running, then a launch of a menu
    /// command. One copy serves, handles every event and hears the launch; the other user hears
    /// nothing.
    void squatAndFireHooks(Behaviour lockBehaviour, Behaviour launchBehaviour) {
        // Before any thread of the test runs: the squatters are forked.
        testing::OtherUserSocket lockSquatter(SingleInstance::lockNameFor(paths()), lockBehaviour);
        testing::OtherUserSocket launchSquatter(InstanceChannel::addressFor(paths()), launchBehaviour);
        ASSERT_TRUE(lockSquatter.held() && launchSquatter.held());

        // A few at a time, as a busy agent fires them.
        CopyCounter counter([&] { return copies().size(); });
        std::vector<std::thread> helpers;
        std::atomic<int> failedHelpers = 0;
        const auto started = Clock::now();
        for (int index = 0; index < 50; ++index) {
            std::this_thread::sleep_until(started + index * 40ms);
            helpers.emplace_back([this, index, &failedHelpers] {
                if (runHelper(failedCommandPayload(index)) != 0) ++failedHelpers;
            });
        }
        for (std::thread& helper : helpers) helper.join();
        EXPECT_EQ(failedHelpers, 0);

        std::set<int> expected;
        for (int index = 0; index < 50; ++index) expected.insert(index);
        EXPECT_TRUE(waitFor([&] { return finishedNumbers() == expected && app.spoolEntries() == 0; }, 60s))
            << ::testing::PrintToString(finishedNumbers()) << "\n"
            << app.spoolEntries() << " left in the spool\n"
            << fileText(startedLog());
        const std::size_t most = counter.finish();
        std::printf("%s / %s: 50 hook events, at most %zu copies\n", behaviourName(lockBehaviour).c_str(),
                    behaviourName(launchBehaviour).c_str(), most);
        // Helpers 40 ms apart may each start a copy before the first has loaded far enough to
        // take its lock (about as long as the spacing); from then on no helper starts one.
        EXPECT_LE(most, 3u);
        EXPECT_TRUE(waitFor([&] { return copies().size() == 1; }, 10s)) << copies().size() << " copies";
        EXPECT_TRUE(serving(fileText(startedLog()))) << fileText(startedLog());

        // A launch of a menu command reaches our copy, and only ours.
        const auto launched = Clock::now();
        EXPECT_EQ(run(QUORVEL_APP, {"--settings"}), 0);
        const auto launchTook = Clock::now() - launched;
        EXPECT_TRUE(waitFor(
            [&] { return fileText(startedLog()).find("A later launch asked for showSettings") != std::string::npos; },
            10s))
            << fileText(startedLog());
        std::printf("  the launch ended after %lld ms\n",
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(launchTook).count()));
        EXPECT_LT(launchTook, 4500ms) << "the launch waited as for a copy that quits";
        EXPECT_EQ(copies().size(), 1u);
        EXPECT_EQ(launchSquatter.heard(), "");
        EXPECT_EQ(lockSquatter.heard(), "");
        EXPECT_TRUE(lockSquatter.stillHeld() && launchSquatter.stillHeld());
        endEveryCopy();
    }

    void TearDown() override { endEveryCopy(); }
};

TEST_F(OtherUserTest, ALockNameWithAFullQueueAndALaunchNameThatAnswers) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    squatAndFireHooks(Behaviour::fullQueue, Behaviour::answering);
}

TEST_F(OtherUserTest, ALockNameThatAnswersAndALaunchNameBoundWithoutListening) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    squatAndFireHooks(Behaviour::answering, Behaviour::silent);
}

TEST_F(OtherUserTest, ALockNameBoundWithoutListeningAndALaunchNameWithAFullQueue) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    squatAndFireHooks(Behaviour::silent, Behaviour::fullQueue);
}

TEST_F(OtherUserTest, PeersOnTheLaunchSocketThatSayNothingHoldNothingUp) {
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return serving(app.logText()); })) << app.logText();

    // A peer of this user keeps connecting to the launch socket and never says a word, far
    // faster than a copy that waited on each one for its word could take them.
    const std::string address = InstanceChannel::addressFor(paths());
    std::atomic<bool> stop = false;
    std::thread silentPeers([&] {
        std::vector<int> held;
        while (!stop) {
            const int peer = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            sockaddr_un to{};
            to.sun_family = AF_UNIX;
            std::memcpy(to.sun_path, address.data(), address.size());
            const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size());
            if (::connect(peer, reinterpret_cast<const sockaddr*>(&to), length) == 0) {
                held.push_back(peer);
            } else {
                ::close(peer);
            }
            std::this_thread::sleep_for(20ms);
        }
        for (const int peer : held) ::close(peer);
    });
    std::this_thread::sleep_for(2s);

    // Meanwhile launches and an event are handled as usual, long before the peers stop.
    for (const char* option : {"--finished", "--settings", "--finished"}) EXPECT_EQ(run(QUORVEL_APP, {option}), 0);
    const auto launchesHeard = [&] {
        const std::string log = app.logText();
        std::size_t count = 0;
        for (std::size_t at = log.find("A later launch asked for "); at != std::string::npos;
             at = log.find("A later launch asked for ", at + 1)) {
            ++count;
        }
        return count;
    };
    const bool allHeard = waitFor([&] { return launchesHeard() == 3; }, 10s);
    const auto fired = Clock::now();
    ASSERT_EQ(runHelper(failedCommandPayload(7)), 0);
    const bool handled = waitFor([&] { return finishedNumbers().count(7) == 1; }, 10s);
    const auto handledAfter = Clock::now() - fired;
    stop = true;
    silentPeers.join();
    EXPECT_TRUE(allHeard) << launchesHeard() << " of 3 launches heard\n" << app.logText();
    EXPECT_TRUE(handled) << "the event waited behind the silent peers";
    std::printf("with silent peers connecting: %zu of 3 launches heard, the event handled %lld ms after the helper ran\n",
                launchesHeard(),
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(handledAfter).count()));
    EXPECT_TRUE(app.running());
}

}  // namespace
}  // namespace quorvel
