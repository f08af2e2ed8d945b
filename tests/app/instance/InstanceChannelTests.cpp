#include "app/instance/InstanceChannel.hpp"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <future>
#include <vector>
#include <thread>

#include "platform/files/Files.hpp"
#include "tests/support/OtherUserSocket.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testing::TemporaryFolder;

TEST(LaunchRequestTest, TheFirstArgumentThatNamesARequestWinsAndNoneIsTheReopen) {
    const char* plain[] = {"quorvel", nullptr};
    EXPECT_EQ(launchRequestFromArguments(1, plain), LaunchRequest::reopen);
    const char* qtAndOurs[] = {"quorvel", "-platform", "xcb", "--hooks-off", "--settings", nullptr};
    EXPECT_EQ(launchRequestFromArguments(5, qtAndOurs), LaunchRequest::hooksOff);
    const char* unknown[] = {"quorvel", "--hooks", "settings", nullptr};
    EXPECT_EQ(launchRequestFromArguments(3, unknown), LaunchRequest::reopen);
    for (const LaunchRequest request : {LaunchRequest::reopen, LaunchRequest::background, LaunchRequest::showSettings, LaunchRequest::showFinished,
                                        LaunchRequest::hooksOn, LaunchRequest::hooksOff}) {
        EXPECT_EQ(launchRequestFromWord(launchRequestWord(request)), std::optional<LaunchRequest>(request));
        if (const auto argument = launchArgument(request)) {
            const std::string text(*argument);
            const char* argv[] = {"quorvel", text.c_str(), nullptr};
            EXPECT_EQ(launchRequestFromArguments(2, argv), request);
        }
    }
    EXPECT_EQ(launchRequestFromWord("quit"), std::nullopt);
}

class InstanceChannelTest : public ::testing::Test {
protected:
    TemporaryFolder folder;
    std::string path = folder / "com.tessaloom.quorvel.mac.sock";

    /// A peer of this user connected to the channel at `path`; -1 when it couldn't connect
    /// (within a few seconds, should the copy's queue be full).
    int connectPeer() const {
        const int peer = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const timeval patience{3, 0};
        ::setsockopt(peer, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        if (::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(peer);
            return -1;
        }
        return peer;
    }

    // The running copy's side: waits for one launch and takes it.
    static std::optional<LaunchRequest> receiveOne(InstanceChannel& channel) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (auto request = channel.receive()) return request;
            std::this_thread::sleep_for(10ms);
        }
        return std::nullopt;
    }
};

TEST_F(InstanceChannelTest, TheSocketLiesBesideTheLock) {
    EXPECT_EQ(InstanceChannel::socketPathBeside("/run/user/1000/com.tessaloom.quorvel.mac.lock"),
              "/run/user/1000/com.tessaloom.quorvel.mac.sock");
}

TEST_F(InstanceChannelTest, ASecondLaunchHandsItsRequestOverAndHearsOk) {
    auto channel = InstanceChannel::listen(path);
    ASSERT_TRUE(channel) << channel.error().message;
    auto sent = std::async(std::launch::async, [&] { return InstanceChannel::send(path, LaunchRequest::showFinished); });
    EXPECT_EQ(receiveOne(*channel), std::optional<LaunchRequest>(LaunchRequest::showFinished));
    EXPECT_EQ(sent.get(), InstanceChannel::Delivery::taken);
    // Nothing else waits.
    EXPECT_EQ(channel->receive(), std::nullopt);
}

TEST_F(InstanceChannelTest, OnlyACopyWithoutWindowsGivesWayAndOnlyToALaunchThatBringsADisplay) {
    auto channel = InstanceChannel::listen(path);
    ASSERT_TRUE(channel) << channel.error().message;
    struct Case {
        bool givesWay;
        LaunchRequest request;
        bool bringsDisplay;
        InstanceChannel::Delivery delivery;
    };
    using Delivery = InstanceChannel::Delivery;
    for (const Case& test : {Case{false, LaunchRequest::reopen, true, Delivery::taken},
                             Case{true, LaunchRequest::reopen, false, Delivery::taken},
                             Case{true, LaunchRequest::background, true, Delivery::taken},
                             Case{true, LaunchRequest::showSettings, true, Delivery::givenWay}}) {
        SCOPED_TRACE(std::string(launchRequestWord(test.request)) + (test.bringsDisplay ? " with" : " without") +
                     " a display");
        if (test.givesWay) channel->giveWayToDisplays();
        auto sent = std::async(std::launch::async,
                               [&] { return InstanceChannel::send(path, test.request, 1000ms, test.bringsDisplay); });
        EXPECT_EQ(receiveOne(*channel), std::optional<LaunchRequest>(test.request));
        EXPECT_EQ(sent.get(), test.delivery);
        EXPECT_EQ(channel->gaveWay(), test.delivery == Delivery::givenWay);
    }
}

TEST_F(InstanceChannelTest, ASocketDeeperThanAnAddressHoldsIsReachedAllTheSame) {
    // A home deep enough that the socket's path outgrows a socket address (108 bytes).
    const std::string deep = folder / (std::string(60, 'h') + "/Library/Application Support/Quorvel");
    ASSERT_TRUE(files::createDirectories(deep));
    const std::string longPath = deep + "/com.tessaloom.quorvel.mac.sock";
    ASSERT_GT(longPath.size(), sizeof(sockaddr_un::sun_path));
    auto channel = InstanceChannel::listen(longPath);
    ASSERT_TRUE(channel) << channel.error().message;
    EXPECT_EQ(::access(longPath.c_str(), F_OK), 0);
    auto sent = std::async(std::launch::async, [&] { return InstanceChannel::send(longPath, LaunchRequest::reopen); });
    EXPECT_EQ(receiveOne(*channel), std::optional<LaunchRequest>(LaunchRequest::reopen));
    EXPECT_EQ(sent.get(), InstanceChannel::Delivery::taken);
}

TEST_F(InstanceChannelTest, AWordWeDoNotKnowIsRefused) {
    auto channel = InstanceChannel::listen(path);
    ASSERT_TRUE(channel);
    auto answer = std::async(std::launch::async, [&] {
        const int peer = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        if (::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return std::string("no connect");
        const std::string word = "rm -rf\n";
        (void)::write(peer, word.data(), word.size());
        char buffer[8] = {};
        const ssize_t got = ::read(peer, buffer, sizeof buffer - 1);
        ::close(peer);
        return std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
    });
    for (int tries = 0; tries < 500 && answer.wait_for(10ms) != std::future_status::ready; ++tries) {
        EXPECT_EQ(channel->receive(), std::nullopt);
    }
    EXPECT_EQ(answer.get(), "no\n");
}

TEST_F(InstanceChannelTest, ASocketLeftByACopyThatEndedIsReplacedAndRemovedAtTheEnd) {
    {
        auto first = InstanceChannel::listen(path);
        ASSERT_TRUE(first);
        // A crash leaves the file behind: simulated by keeping it past the channel.
        const int keep = ::dup(first->descriptor());
        auto again = InstanceChannel::listen(path);
        EXPECT_TRUE(again) << "the stale socket file is replaced";
        ::close(keep);
    }
    EXPECT_NE(::access(path.c_str(), F_OK), 0) << "the socket file goes with the channel";
}

TEST_F(InstanceChannelTest, WithNobodyListeningSendingSaysSoAtOnce) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(InstanceChannel::send(path, LaunchRequest::reopen, 200ms), InstanceChannel::Delivery::nobodyListens);
    EXPECT_EQ(InstanceChannel::send(InstanceChannel::addressFor(QuorvelPaths(folder / "nobody")), LaunchRequest::reopen,
                                    200ms),
              InstanceChannel::Delivery::nobodyListens);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
}

TEST_F(InstanceChannelTest, ACopyThatTakesNoConnectionsNeverHoldsASecondLaunchUp) {
    // The running copy is paused: it listens but accepts nothing, and its queue fills.
    auto channel = InstanceChannel::listen(path);
    ASSERT_TRUE(channel);
    std::vector<int> waiting;
    for (int index = 0; index < 64; ++index) {
        const int peer = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        const bool queued = ::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        waiting.push_back(peer);
        if (!queued) break;
    }
    auto sent = std::async(std::launch::async, [&] { return InstanceChannel::send(path, LaunchRequest::reopen, 300ms); });
    ASSERT_EQ(sent.wait_for(5s), std::future_status::ready) << "a full queue blocked the launch";
    EXPECT_EQ(sent.get(), InstanceChannel::Delivery::unanswered);
    for (const int peer : waiting) ::close(peer);
}

TEST_F(InstanceChannelTest, TheAppsChannelIsAnAbstractNameOfTheHomeAndLeavesNoFile) {
    const std::string address = InstanceChannel::addressFor(QuorvelPaths(folder.path()));
    ASSERT_TRUE(InstanceChannel::isAbstract(address));
    EXPECT_NE(address, InstanceChannel::addressFor(QuorvelPaths(folder / "other")));
    {
        auto channel = InstanceChannel::listen(address);
        ASSERT_TRUE(channel) << channel.error().message;
        EXPECT_FALSE(InstanceChannel::listen(address)) << "one listener per name";
        auto sent = std::async(std::launch::async, [&] { return InstanceChannel::send(address, LaunchRequest::hooksOn); });
        EXPECT_EQ(receiveOne(*channel), std::optional<LaunchRequest>(LaunchRequest::hooksOn));
        EXPECT_EQ(sent.get(), InstanceChannel::Delivery::taken);
    }
    EXPECT_EQ(InstanceChannel::send(address, LaunchRequest::reopen), InstanceChannel::Delivery::nobodyListens);
}

TEST_F(InstanceChannelTest, PeersThatSayNothingHoldNoLaunchUp) {
    auto channel = InstanceChannel::listen(path);
    ASSERT_TRUE(channel);
    // Silent peers queued before the launch that speaks, which gives the copy a second.
    std::vector<int> silent;
    for (int index = 0; index < 6; ++index) {
        silent.push_back(connectPeer());
        ASSERT_GE(silent.back(), 0);
    }
    auto sent =
        std::async(std::launch::async, [&] { return InstanceChannel::send(path, LaunchRequest::showFinished, 1000ms); });
    EXPECT_EQ(receiveOne(*channel), std::optional<LaunchRequest>(LaunchRequest::showFinished));
    EXPECT_EQ(sent.get(), InstanceChannel::Delivery::taken);

    // More of them than are kept waiting: the oldest make room, and a launch is still heard.
    for (int index = 0; index < 24; ++index) {
        silent.push_back(connectPeer());
        ASSERT_GE(silent.back(), 0);
        if (index % 4 == 3) {
            EXPECT_EQ(channel->receive(), std::nullopt);
        }
    }
    sent = std::async(std::launch::async, [&] { return InstanceChannel::send(path, LaunchRequest::hooksOn, 1000ms); });
    EXPECT_EQ(receiveOne(*channel), std::optional<LaunchRequest>(LaunchRequest::hooksOn));
    EXPECT_EQ(sent.get(), InstanceChannel::Delivery::taken);
    for (const int peer : silent) ::close(peer);
}

TEST_F(InstanceChannelTest, AWordThatComesInPiecesIsHeardWhole) {
    auto channel = InstanceChannel::listen(path);
    ASSERT_TRUE(channel);
    const int peer = connectPeer();
    ASSERT_GE(peer, 0);
    ASSERT_EQ(::send(peer, "show", 4, MSG_NOSIGNAL), 4);
    EXPECT_EQ(channel->receive(), std::nullopt);
    ASSERT_EQ(::send(peer, "Settings\n", 9, MSG_NOSIGNAL), 9);
    EXPECT_EQ(receiveOne(*channel), std::optional<LaunchRequest>(LaunchRequest::showSettings));
    char answer[4] = {};
    EXPECT_EQ(::read(peer, answer, 3), 3);
    EXPECT_STREQ(answer, "ok\n");
    ::close(peer);
}

TEST_F(InstanceChannelTest, AListenerOfAnotherUserIsToldNothing) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    const std::string address = InstanceChannel::addressFor(QuorvelPaths(folder.path()));
    testing::OtherUserSocket squatter(address, testing::OtherUserSocket::Behaviour::answering);
    ASSERT_TRUE(squatter.held());
    for (const LaunchRequest request : {LaunchRequest::showSettings, LaunchRequest::hooksOn, LaunchRequest::hooksOff}) {
        EXPECT_NE(InstanceChannel::send(address, request, 300ms), InstanceChannel::Delivery::taken);
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(squatter.heard(), "");
}

}  // namespace
}  // namespace quorvel
