#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "hook/LoopbackPost.hpp"
#include "tests/hook/FakeEventServer.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

using testing::FakeEventServer;
using Clock = std::chrono::steady_clock;

const std::string token = "abcdefghijklmnopqrstuvwxyz0123456789-_ABCDE";
const std::string accepted = "HTTP/1.1 202 Accepted\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::uint16_t closedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST(LoopbackPost, SendsTheExactRequestAndReadsTheStatus) {
    FakeEventServer server(accepted);
    auto status = post("{}", Endpoint{server.port(), token});
    ASSERT_TRUE(status) << status.error().description;
    EXPECT_EQ(*status, 202);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "POST /v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + token +
                  "\r\nContent-Type: application/json\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}");
}

TEST(LoopbackPost, HandsBackAnyStatusTheServerGives) {
    FakeEventServer server("HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    auto status = post("{}", Endpoint{server.port(), token});
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 401);
}

TEST(LoopbackPost, RefusesRepliesWithoutAStatusCode) {
    for (std::string reply : {"HELLO", "HTTP/1.1\r\n\r\n", "HTTP/1.1 abc Accepted\r\n\r\n", ""}) {
        FakeEventServer server(reply);
        auto status = post("{}", Endpoint{server.port(), token});
        ASSERT_FALSE(status) << reply;
        EXPECT_EQ(status.error().code, EBADMSG) << reply;
        EXPECT_EQ(status.error().description, "Bad message");
    }
}

TEST(LoopbackPost, GivesUpOnASilentServerAtTheDeadline) {
    FakeEventServer server(std::nullopt);
    auto start = Clock::now();
    auto status = post("{}", Endpoint{server.port(), token});
    double seconds = secondsSince(start);
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error().code, ETIMEDOUT);
    EXPECT_EQ(status.error().description, "Connection timed out");
    EXPECT_GE(seconds, 0.79);
    EXPECT_LT(seconds, 1.2);
}

TEST(LoopbackPost, AClosedPortFailsAtOnce) {
    auto start = Clock::now();
    auto status = post("{}", Endpoint{closedPort(), token});
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error().code, ECONNREFUSED);
    EXPECT_EQ(status.error().description, "Connection refused");
    EXPECT_LT(secondsSince(start), 0.5);
}

TEST(LoopbackPost, PortZeroIsRefusedBeforeConnecting) {
    auto status = post("{}", Endpoint{0, token});
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error().code, EINVAL);
}

TEST(LoopbackPost, ParsesTheSecondWordOfTheStatusLine) {
    struct Case {
        std::string content;
        std::optional<int> status;
    };
    const std::vector<Case> cases = {
        {accepted, 202},
        {"HTTP/1.1   404   Not Found\r\n", 404},
        {"HTTP/1.1 +202 Accepted", 202},
        {"", std::nullopt},
        {"HTTP/1.1", std::nullopt},
        {"HTTP/1.1\t202 Accepted", std::nullopt},
        {"\xff\xfe 202 Accepted", std::nullopt},
        {"HTTP/1.1 20x Accepted", std::nullopt},
    };
    for (const auto& c : cases) {
        auto status = parseStatusLine(c.content);
        if (c.status) {
            ASSERT_TRUE(status) << c.content;
            EXPECT_EQ(*status, *c.status) << c.content;
        } else {
            ASSERT_FALSE(status) << c.content;
            EXPECT_EQ(status.error().code, EBADMSG) << c.content;
        }
    }
}

/// Tells a fixed owner, or that it can't tell, whoever holds the far end.
class FixedOwner final : public ConnectionOwner {
public:
    explicit FixedOwner(std::optional<uid_t> owner) : owner_(owner) {}
    Expected<uid_t, ConnectionOwnerError> farEndOwner(int, std::chrono::milliseconds) const override {
        if (!owner_) return unexpected(ConnectionOwnerError{"no socket diagnostics and no /proc/net/tcp"});
        return *owner_;
    }

private:
    std::optional<uid_t> owner_;
};

TEST(LoopbackPost, SendsNothingToASocketNotKnownToBeThisUsers) {
    struct Case {
        std::optional<uid_t> owner;
        std::string description;
    };
    for (const Case& given : {Case{::geteuid() + 1, "is held by uid " + std::to_string(::geteuid() + 1) + ", not this user"},
                              Case{std::nullopt, "couldn't learn who holds port"}}) {
        FakeEventServer server(accepted);
        auto status = post("{}", Endpoint{server.port(), token}, postTimeoutSeconds, FixedOwner(given.owner));
        ASSERT_FALSE(status) << given.description;
        EXPECT_NE(status.error().description.find(given.description), std::string::npos) << status.error().description;
        // Spooled and the app started, as when nothing listens.
        EXPECT_TRUE(status.error().nothingListens());
        // The server records the connection once it has closed: with nothing on it.
        ASSERT_TRUE(testing::waitFor([&] { return !server.requests().empty(); }));
        EXPECT_EQ(server.requests(), std::vector<std::string>{""}) << given.description;
    }
    FakeEventServer ours(accepted);
    auto status = post("{}", Endpoint{ours.port(), token}, postTimeoutSeconds, FixedOwner(::geteuid()));
    ASSERT_TRUE(status) << status.error().description;
    EXPECT_EQ(*status, 202);
}

}  // namespace
}  // namespace quorvel
