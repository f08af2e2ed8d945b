#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/files/OwnedDescriptor.hpp"
#include "platform/network/LinuxConnectionOwner.hpp"
#include "tests/support/OtherUserPort.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testing::loopbackAddress;
using Sources = LinuxConnectionOwner::Sources;

constexpr uid_t nobody = 65534;

const std::vector<Sources> eachSource = {Sources{true, false}, Sources{false, true}, Sources{true, true}};

std::string sourceName(const Sources& sources) {
    if (sources.socketDiagnostics && sources.procTables) return "both";
    return sources.socketDiagnostics ? "socket diagnostics" : "/proc tables";
}

/// A fresh TCP socket, or one taken over.
class Socket : public OwnedDescriptor {
public:
    explicit Socket(int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) : OwnedDescriptor(fd) {}
};

/// A listener of this user on a free loopback port.
std::uint16_t listenOnFreePort(const Socket& listener) {
    sockaddr_in address = loopbackAddress(0);
    if (::bind(listener.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 0;
    if (::listen(listener.fd(), 16) != 0) return 0;
    socklen_t length = sizeof address;
    ::getsockname(listener.fd(), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

bool connectTo(const Socket& client, std::uint16_t port) {
    const sockaddr_in address = loopbackAddress(port);
    return ::connect(client.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

TEST(LinuxConnectionOwner, TellsThisUserAtBothEndsOfItsOwnConnection) {
    Socket listener;
    const std::uint16_t port = listenOnFreePort(listener);
    ASSERT_NE(port, 0);
    Socket client;
    ASSERT_TRUE(connectTo(client, port));
    for (const Sources& sources : eachSource) {
        // Still in the listener's queue: not yet accepted.
        const auto server = LinuxConnectionOwner(sources).farEndOwner(client.fd(), 50ms);
        ASSERT_TRUE(server) << sourceName(sources) << ": " << server.error().message;
        EXPECT_EQ(*server, ::geteuid()) << sourceName(sources);
    }
    Socket accepted(::accept(listener.fd(), nullptr, nullptr));
    for (const Sources& sources : eachSource) {
        const auto peer = LinuxConnectionOwner(sources).farEndOwner(accepted.fd(), 0ms);
        ASSERT_TRUE(peer) << sourceName(sources) << ": " << peer.error().message;
        EXPECT_EQ(*peer, ::geteuid()) << sourceName(sources);
    }
}

TEST(LinuxConnectionOwner, TellsAnotherUsersListenerAndClient) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    std::uint16_t port = 0;
    {
        Socket probe;
        port = listenOnFreePort(probe);
    }
    testing::OtherUserPortListener squatter(port, testing::OtherUserPortListener::Taking::now);
    ASSERT_TRUE(squatter.waitUntilHeld(5s));
    Socket client;
    ASSERT_TRUE(connectTo(client, port));
    for (const Sources& sources : eachSource) {
        const auto owner = LinuxConnectionOwner(sources).farEndOwner(client.fd(), 50ms);
        ASSERT_TRUE(owner) << sourceName(sources) << ": " << owner.error().message;
        EXPECT_EQ(*owner, nobody) << sourceName(sources);
    }

    Socket listener;
    const std::uint16_t ours = listenOnFreePort(listener);
    std::thread stranger([ours] { testing::sendAsOtherUser(ours, "hello"); });
    Socket accepted(::accept(listener.fd(), nullptr, nullptr));
    for (const Sources& sources : eachSource) {
        const auto owner = LinuxConnectionOwner(sources).farEndOwner(accepted.fd(), 0ms);
        ASSERT_TRUE(owner) << sourceName(sources) << ": " << owner.error().message;
        EXPECT_EQ(*owner, nobody) << sourceName(sources);
    }
    ::shutdown(accepted.fd(), SHUT_RDWR);
    stranger.join();
}

TEST(LinuxConnectionOwner, NeverTakesAHandshakeStillUnderWayForItsOwner) {
    // A listener that defers the accept until data comes keeps the connection as a request
    // socket, which the kernel reports with uid 0 (or its listener's): nobody's yet.
    Socket listener;
    const int seconds = 5;
    ASSERT_EQ(::setsockopt(listener.fd(), IPPROTO_TCP, TCP_DEFER_ACCEPT, &seconds, sizeof seconds), 0);
    const std::uint16_t port = listenOnFreePort(listener);
    ASSERT_NE(port, 0);
    Socket client;
    ASSERT_TRUE(connectTo(client, port));
    for (const Sources& sources : eachSource) {
        const auto started = std::chrono::steady_clock::now();
        const auto owner = LinuxConnectionOwner(sources).farEndOwner(client.fd(), 30ms);
        EXPECT_FALSE(owner) << sourceName(sources) << ": uid " << (owner ? *owner : 0);
        if (!owner) {
            EXPECT_NE(owner.error().message.find("isn't set up yet"), std::string::npos) << owner.error().message;
        }
        EXPECT_GE(std::chrono::steady_clock::now() - started, 30ms) << "gave up before the settle time";
    }
}

TEST(LinuxConnectionOwner, RefusesASocketThatIsNotConnected) {
    Socket lone;
    const auto owner = LinuxConnectionOwner().farEndOwner(lone.fd(), 0ms);
    EXPECT_FALSE(owner);
}

}  // namespace
}  // namespace quorvel
