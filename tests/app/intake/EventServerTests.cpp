#include <gtest/gtest.h>

#include <ifaddrs.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>

#include "app/intake/EventServer.hpp"
#include "app/intake/HTTPRequest.hpp"
#include "platform/time/BootClock.hpp"
#include "tests/app/intake/EventServerTestbed.hpp"
#include "tests/support/LogCapture.hpp"

namespace quorvel::testing {
namespace {

using namespace std::chrono_literals;

TEST_F(EventServerTest, AcceptsAnEventAndDeliversItOnce) {
    auto reply = exchange(request("POST /v1/events HTTP/1.1", "Bearer " + token, eventBody()));
    EXPECT_EQ(reply.bytes, HTTPRequest::responseText(202));
    EXPECT_TRUE(reply.closedByServer);
    auto events = inbox.waitFor(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], sampleEvent());
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(inbox.events().size(), 1u);
}

TEST_F(EventServerTest, AnswersEveryRefusalWithItsStatusAndDeliversNothing) {
    struct Case {
        const char* name;
        std::string bytes;
        int status;
    };
    const std::string body = eventBody();
    const std::vector<Case> cases = {
        {"other path, wrong token", request("POST /v1/other HTTP/1.1", "Bearer wrong", body), 404},
        {"GET before the token is looked at", request("GET /v1/events HTTP/1.1", "", ""), 405},
        {"HTTP/1.0 GET", request("GET /v1/events HTTP/1.0", "Bearer " + token, ""), 405},
        {"lower-case bearer", request("POST /v1/events HTTP/1.1", "bearer " + token, body), 401},
        {"missing authorization", request("POST /v1/events HTTP/1.1", "", body), 401},
        {"wrong token", request("POST /v1/events HTTP/1.1", "Bearer " + token.substr(1) + "x", body), 401},
        {"token with a suffix", request("POST /v1/events HTTP/1.1", "Bearer " + token + "x", body), 401},
        {"body that isn't an event", request("POST /v1/events HTTP/1.1", "Bearer " + token, "{}"), 400},
        {"body that isn't JSON", request("POST /v1/events HTTP/1.1", "Bearer " + token, "{\"event\":"), 400},
        {"malformed request line", "POST /v1/events\r\n\r\n", 400},
        {"body too large", "POST /v1/events HTTP/1.1\r\nContent-Length: 70000\r\n\r\n", 413},
        {"header too large", "POST /v1/events HTTP/1.1\r\nX: " + std::string(9000, 'a'), 431},
    };
    for (const auto& c : cases) {
        auto reply = exchange(c.bytes);
        EXPECT_EQ(reply.bytes, HTTPRequest::responseText(c.status)) << c.name;
        EXPECT_TRUE(reply.closedByServer) << c.name;
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(inbox.events().empty());
}

TEST_F(EventServerTest, AssemblesARequestTrickledAByteAtATime) {
    LoopbackClient client(server->port());
    client.trickle(request("POST /v1/events HTTP/1.1", "Bearer " + token, eventBody()), 1ms);
    auto reply = client.readUntilClosed();
    EXPECT_EQ(reply.bytes, HTTPRequest::responseText(202));
    EXPECT_EQ(inbox.waitFor(1).size(), 1u);
}

TEST_F(EventServerTest, CutsOffAClientThatNeverSends) {
    LoopbackClient client(server->port());
    auto reply = client.readUntilClosed(4000ms);
    EXPECT_TRUE(reply.closedByServer);
    EXPECT_EQ(reply.bytes, "");
    EXPECT_GT(reply.seconds, 1.8);
    EXPECT_LT(reply.seconds, 3.0);
}

TEST_F(EventServerTest, DropsAClientThatClosesMidBody) {
    std::string whole = request("POST /v1/events HTTP/1.1", "Bearer " + token, eventBody());
    {
        LoopbackClient client(server->port());
        client.send(whole.substr(0, whole.size() - 10));
        client.finishSending();
        auto reply = client.readUntilClosed(1000ms);
        EXPECT_TRUE(reply.closedByServer);
        EXPECT_EQ(reply.bytes, "");
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(inbox.events().empty());
    // The server goes on taking events.
    EXPECT_EQ(exchange(whole).bytes, HTTPRequest::responseText(202));
}

TEST_F(EventServerTest, ServesManyClientsAtOnce) {
    const std::string whole = request("POST /v1/events HTTP/1.1", "Bearer " + token, eventBody());
    std::vector<std::thread> clients;
    std::atomic<int> accepted{0};
    for (int i = 0; i < 8; ++i) {
        clients.emplace_back([&] {
            for (int n = 0; n < 25; ++n) {
                LoopbackClient client(server->port());
                client.send(whole);
                if (client.readUntilClosed().bytes == HTTPRequest::responseText(202)) ++accepted;
            }
        });
    }
    for (auto& client : clients) client.join();
    EXPECT_EQ(accepted.load(), 200);
    EXPECT_EQ(inbox.waitFor(200).size(), 200u);
}

TEST(EventServer, TakesThePreferredPortWhenFreeAndAnotherWhenTaken) {
    auto first = EventServer::start(std::nullopt, token, nullptr);
    ASSERT_TRUE(first);
    const std::uint16_t taken = first.value()->port();

    std::optional<testing::LogCapture> capture(std::in_place);
    auto second = EventServer::start(taken, token, nullptr);
    const std::string log = capture->text();
    capture.reset();
    ASSERT_TRUE(second);
    EXPECT_NE(second.value()->port(), taken);
    EXPECT_NE(second.value()->port(), 0);
    EXPECT_NE(log.find("error com.tessaloom.quorvel.mac [EventServer] Couldn't listen on port " + std::to_string(taken) +
                       ": Address already in use\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("info com.tessaloom.quorvel.mac [EventServer] Listening on 127.0.0.1:" +
                       std::to_string(second.value()->port()) + "\n"),
              std::string::npos)
        << log;

    const std::uint16_t freed = second.value()->port();
    second.value().reset();
    auto third = EventServer::start(freed, token, nullptr);
    ASSERT_TRUE(third);
    EXPECT_EQ(third.value()->port(), freed);
}

TEST(EventServer, ListensOnLoopbackOnly) {
    auto started = EventServer::start(std::nullopt, token, nullptr);
    ASSERT_TRUE(started);
    ifaddrs* interfaces = nullptr;
    ASSERT_EQ(getifaddrs(&interfaces), 0);
    int tried = 0;
    for (ifaddrs* entry = interfaces; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET) continue;
        sockaddr_in address = *reinterpret_cast<sockaddr_in*>(entry->ifa_addr);
        if (ntohl(address.sin_addr.s_addr) >> 24 == 127) continue;
        address.sin_port = htons(started.value()->port());
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_NE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        ++tried;
    }
    freeifaddrs(interfaces);
    if (tried == 0) GTEST_SKIP() << "no non-loopback IPv4 address to try";
}

/// Resident memory of this process in bytes.
std::size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

TEST_F(EventServerTest, IdleConnectionsCostWhatTheySentAndBeyondTheCapTheQuietestMakesRoom) {
    constexpr std::size_t idle = 3000;
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, 2 * idle + 256));
    ::setrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < 2 * idle + 256) GTEST_SKIP() << "needs " << 2 * idle + 256 << " descriptors";

    const std::size_t before = residentBytes();
    std::vector<std::unique_ptr<LoopbackClient>> clients;
    for (std::size_t index = 0; index < idle; ++index) {
        clients.push_back(std::make_unique<LoopbackClient>(server->port()));
        ASSERT_TRUE(clients.back()->connected()) << index;
    }
    std::this_thread::sleep_for(300ms);
    const double perConnection = double(residentBytes() - std::min(before, residentBytes())) / idle;
    // A buffer reserved per connection (64 KiB) would show as hundreds of megabytes.
    EXPECT_LT(perConnection, 4096.0);
    RecordProperty("residentBytesPerIdleConnection", std::to_string(perConnection));

    std::size_t closedAtOnce = 0;
    for (std::size_t index = 0; index < clients.size(); ++index) {
        // Each newcomer beyond the cap took the place of the one quiet longest: the oldest.
        const bool closed = clients[index]->closedByServerNow();
        closedAtOnce += closed ? 1 : 0;
        EXPECT_EQ(closed, index < idle - EventServer::maxConnections) << index;
    }
    EXPECT_EQ(closedAtOnce, idle - EventServer::maxConnections);

    // A real client is served beside them at once.
    EXPECT_EQ(exchange(request("POST /v1/events HTTP/1.1", "Bearer " + token, eventBody())).bytes,
              HTTPRequest::responseText(202));
    EXPECT_EQ(inbox.waitFor(1).size(), 1u);
}


}  // namespace
}  // namespace quorvel