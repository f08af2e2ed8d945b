#include "app/instance/InstanceStart.hpp"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>
#include <thread>
#include <vector>

#include "tests/support/OtherUserSocket.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::TemporaryFolder;

// Two copies of the app in one test process: each has its own SingleInstance on the same
// lock file and name, as two processes of one home would.
class InstanceStartTest : public ::testing::Test {
protected:
    TemporaryFolder home;
    QuorvelPaths paths{home.path()};
    std::string channel = InstanceChannel::addressFor(paths);
    std::vector<std::string> errors;

    std::unique_ptr<SingleInstance> copy() {
        return std::make_unique<SingleInstance>(paths.instanceLock(), SingleInstance::lockNameFor(paths));
    }
    InstanceStart settle(SingleInstance& instance, LaunchRequest request,
                         InstanceStart::Timing timing = InstanceStart::Timing{}) {
        return InstanceStart::settle(instance, channel, request,
                                     [this](const std::string& line) { errors.push_back(line); }, timing);
    }
};

TEST_F(InstanceStartTest, TheFirstCopyRunsAndListensAndALaterOneHandsItsRequestOver) {
    auto first = copy();
    InstanceStart running = settle(*first, LaunchRequest::reopen);
    ASSERT_TRUE(running.runs);
    ASSERT_TRUE(running.launches);
    EXPECT_TRUE(errors.empty());

    auto second = copy();
    auto later = std::async(std::launch::async, [&] { return settle(*second, LaunchRequest::showSettings).runs; });
    std::optional<LaunchRequest> heard;
    for (const auto deadline = Clock::now() + 5s; !heard && Clock::now() < deadline;) {
        heard = running.launches->receive();
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(heard, std::optional<LaunchRequest>(LaunchRequest::showSettings));
    EXPECT_FALSE(later.get());
}

TEST_F(InstanceStartTest, ACopyThatDoesNotAnswerEndsALaterLaunchQuickly) {
    auto first = copy();
    InstanceStart paused = settle(*first, LaunchRequest::reopen);
    ASSERT_TRUE(paused.launches);
    // Nobody takes a launch: each later one is left without an answer.
    for (const LaunchRequest request : {LaunchRequest::reopen, LaunchRequest::background}) {
        auto later = copy();
        const auto started = Clock::now();
        EXPECT_FALSE(settle(*later, request, {5000ms, 300ms, 50ms}).runs);
        EXPECT_LT(Clock::now() - started, 3s) << "it waited as for a copy that quits";
    }
}

TEST_F(InstanceStartTest, ALaterLaunchWaitsForACopyThatQuitsAndThenRunsAsTheOne) {
    auto quitting = copy();
    ASSERT_EQ(quitting->claim().value(), SingleInstance::Outcome::first);
    // It holds the lock but has closed its channel; it ends a moment later.
    std::thread ends([&] {
        std::this_thread::sleep_for(400ms);
        quitting.reset();
    });
    auto later = copy();
    const InstanceStart started = settle(*later, LaunchRequest::background, {5000ms, 300ms, 20ms});
    ends.join();
    EXPECT_TRUE(started.runs);
    EXPECT_TRUE(started.launches);
}

TEST_F(InstanceStartTest, ACopyThatNeverFinishesQuittingIsWaitedForOnlyAWhile) {
    auto stuck = copy();
    ASSERT_EQ(stuck->claim().value(), SingleInstance::Outcome::first);
    auto later = copy();
    const auto started = Clock::now();
    EXPECT_FALSE(settle(*later, LaunchRequest::reopen, {400ms, 300ms, 20ms}).runs);
    EXPECT_GE(Clock::now() - started, 400ms);
    EXPECT_LT(Clock::now() - started, 5s);
}

TEST_F(InstanceStartTest, AFolderThatIsALinkStillLeavesExactlyOneCopy) {
    const std::string elsewhere = home / "elsewhere";
    ASSERT_TRUE(files::createDirectories(elsewhere, 0700));
    ASSERT_TRUE(files::createDirectories(files::parentPath(paths.appSupport()), 0700));
    ASSERT_EQ(::symlink(elsewhere.c_str(), paths.appSupport().c_str()), 0);

    auto first = copy();
    InstanceStart running = settle(*first, LaunchRequest::reopen);
    ASSERT_TRUE(running.runs);
    EXPECT_TRUE(running.launches);
    ASSERT_TRUE(first->folderProblem());
    EXPECT_EQ(first->folderProblem()->code, ENOTDIR);
    for (int index = 0; index < 3; ++index) {
        auto later = copy();
        EXPECT_FALSE(settle(*later, LaunchRequest::background).runs);
    }
}

TEST_F(InstanceStartTest, AnotherUserOnBothNamesNeitherStopsTheCopyNorHearsALaunch) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    using Behaviour = testing::OtherUserSocket::Behaviour;
    for (const Behaviour lock : {Behaviour::silent, Behaviour::fullQueue, Behaviour::answering}) {
        for (const Behaviour launch : {Behaviour::silent, Behaviour::fullQueue, Behaviour::answering}) {
            SCOPED_TRACE("lock " + std::to_string(static_cast<int>(lock)) + ", launch " +
                         std::to_string(static_cast<int>(launch)));
            TemporaryFolder otherHome;
            paths = QuorvelPaths(otherHome.path());
            channel = InstanceChannel::addressFor(paths);
            errors.clear();
            testing::OtherUserSocket lockSquatter(SingleInstance::lockNameFor(paths), lock);
            testing::OtherUserSocket launchSquatter(channel, launch);
            ASSERT_TRUE(lockSquatter.held() && launchSquatter.held());

            auto first = copy();
            const auto started = Clock::now();
            InstanceStart running = settle(*first, LaunchRequest::reopen);
            ASSERT_TRUE(running.runs);
            ASSERT_TRUE(running.launches);
            EXPECT_TRUE(errors.empty()) << errors.front();

            auto second = copy();
            auto later = std::async(std::launch::async, [&] { return settle(*second, LaunchRequest::hooksOff).runs; });
            std::optional<LaunchRequest> heard;
            for (const auto deadline = Clock::now() + 5s; !heard && Clock::now() < deadline;) {
                heard = running.launches->receive();
                std::this_thread::sleep_for(5ms);
            }
            EXPECT_EQ(heard, std::optional<LaunchRequest>(LaunchRequest::hooksOff));
            EXPECT_FALSE(later.get());
            // Neither start waited as for a copy that quits.
            EXPECT_LT(Clock::now() - started, 4s);
            EXPECT_EQ(launchSquatter.heard(), "");
            EXPECT_EQ(lockSquatter.heard(), "");
            EXPECT_TRUE(lockSquatter.stillHeld() && launchSquatter.stillHeld());
        }
    }
}

}  // namespace
}  // namespace quorvel
