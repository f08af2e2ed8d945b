#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <future>
#include <thread>

#include "kit/push/APNsClient.hpp"
#include "tests/kit/push/APNsClientTestbed.hpp"
#include "tests/support/SilentServer.hpp"

namespace quorvel::testing {
namespace {

// ---- answers, log lines and refused input ------------------------------------------------

TEST_F(APNsClientTest, RequestIdFillsApnsIdAndTheLogShortensTheToken) {
    testing::LogCapture log;
    fake_.script("production", json::Json::array({FakeApns::answer(400, R"({"reason":"BadDeviceToken"})",
                                                                   {{"apns-request-id", "REQ-9"}})}));
    auto client = directClient();
    auto response = client->sendAlert(token64, alertPayload);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->apnsID, "REQ-9");
    EXPECT_EQ(response->reason, "BadDeviceToken");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "info com.tessaloom.quorvel.mac [APNs] POST " + fake_.host("production") +
                            "/3/device/01234567… → 400 BadDeviceToken");
}

TEST_F(APNsClientTest, TextFromOutsideCanNeitherMoveTheRequestNorSplitItsHeaders) {
    auto client = directClient();
    ASSERT_TRUE(client->sendAlert("../../4/broadcasts?x=1#y", alertPayload));
    auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/3/device/..%2F..%2F4%2Fbroadcasts%3Fx%3D1%23y");
    ASSERT_TRUE(client->sendAlert("..", alertPayload));
    EXPECT_EQ(fake_.requests().at(1).path, "/3/device/%2E%2E");

    fake_.reset();
    auto split = client->deleteChannel("CH\r\napns-priority: 1");
    ASSERT_FALSE(split);
    EXPECT_EQ(std::get<HttpError>(split.error()).code, HttpError::Code::invalidRequest);
    EXPECT_TRUE(fake_.requests().empty());

    APNsClient::Options badHost = options();
    badHost.hosts.production = "evil.example/steal?";
    APNsClient misdirected(*signer_, badHost);
    auto refused = misdirected.sendAlert(token64, alertPayload);
    ASSERT_FALSE(refused);
    EXPECT_EQ(std::get<HttpError>(refused.error()).code, HttpError::Code::badURL);
}

TEST_F(APNsClientTest, TransportFailuresAreErrors) {
    APNsClient::Options unreachable = options();
    unreachable.hosts.production = "127.0.0.1:1";
    APNsClient client(*signer_, unreachable);
    auto response = client.sendAlert(token64, alertPayload);
    ASSERT_FALSE(response);
    EXPECT_EQ(std::get<HttpError>(response.error()).code, HttpError::Code::cannotConnectToHost);

    // A server whose certificate is not trusted.
    APNsClient::Options untrusted = options();
    untrusted.http = std::make_shared<CurlHttpTransport>(CurlHttpTransport::Options{});
    APNsClient strict(*signer_, untrusted);
    auto refused = strict.sendAlert(token64, alertPayload);
    ASSERT_FALSE(refused);
    EXPECT_EQ(std::get<HttpError>(refused.error()).code, HttpError::Code::secureConnectionFailed);
}

/// The largest resident size this process has had, in KiB.
long peakResidentKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

json::Json streamedAnswer(std::size_t bytes, bool announced) {
    json::Json answer = FakeApns::answer(200);
    answer["bodyBytes"] = bytes;
    answer["announced"] = announced;
    return answer;
}

TEST_F(APNsClientTest, AnAnswerOverOneMebibyteFailsAndIsNotReadFurther) {
    constexpr std::size_t limit = HttpTransport::answerLimitBytes;
    auto tooLarge = [](const auto& answer) {
        return !answer && std::get<HttpError>(answer.error()) == HttpError::make(HttpError::Code::tooLarge);
    };
    // Announced or not, through the relay (HTTP/1.1) and directly (HTTP/2).
    fake_.script("relay", json::Json::array({streamedAnswer(2 * limit, true), streamedAnswer(2 * limit, false),
                                             streamedAnswer(limit, false)}));
    auto relay = relayClient();
    for (int i = 0; i < 2; ++i) {
        auto answer = relay->send("GET", "", "/1/apps/x/all-channels", {}, std::nullopt);
        EXPECT_TRUE(tooLarge(answer)) << i;
    }
    EXPECT_EQ(describe(APNsClient::Error(HttpError::make(HttpError::Code::tooLarge))), "The answer was too large.");
    // Exactly the limit is still an answer (a body the relay's JSON reader can't use).
    auto atLimit = relay->send("GET", "", "/1/apps/x/all-channels", {}, std::nullopt);
    ASSERT_TRUE(atLimit);
    EXPECT_EQ(atLimit->response.status, 0);

    // A body that would not end is cut off at the limit, without holding what was sent.
    const long before = peakResidentKilobytes();
    fake_.script("production", json::Json::array({streamedAnswer(std::size_t(1) << 32, false),
                                                  streamedAnswer(2 * limit, true), FakeApns::answer(200)}));
    auto direct = directClient();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(tooLarge(direct->send("POST", fake_.host("production"), "/3/device/" + token64, {}, alertPayload)));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_LT(peakResidentKilobytes() - before, 32 * 1024);
    EXPECT_TRUE(tooLarge(direct->sendAlert(token64, alertPayload)));
    // The client goes on working.
    auto next = direct->sendAlert(token64, alertPayload);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->status, 200);
}

TEST_F(APNsClientTest, CancelledRequestsEndAtOnceAndLaterOnesAreNeverSent) {
    // A server that takes the connection and never answers the TLS handshake.
    testing::SilentServer silent;
    ASSERT_NE(silent.port(), 0);
    APNsClient::Options stuck = options();
    stuck.hosts.production = silent.host();
    APNsClient client(*signer_, stuck);
    auto waiting = std::async(std::launch::async, [&] { return client.sendAlert(token64, alertPayload); });
    EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);

    const auto cancelledAt = std::chrono::steady_clock::now();
    client.cancelRequests();
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, std::chrono::milliseconds(500));
    auto ended = waiting.get();
    ASSERT_FALSE(ended);
    EXPECT_EQ(std::get<HttpError>(ended.error()).code, HttpError::Code::cancelled);

    auto later = client.broadcast("CH-1", R"({"aps":{}})", 5, 28800);
    ASSERT_FALSE(later);
    EXPECT_EQ(std::get<HttpError>(later.error()).code, HttpError::Code::cancelled);
}

TEST_F(APNsClientTest, ConcurrentRequestsShareOneToken) {
    auto client = directClient();
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&client] { EXPECT_TRUE(client->sendAlert(token64, alertPayload)); });
    }
    for (auto& thread : threads) thread.join();
    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 8u);
    for (const auto& request : requests) EXPECT_EQ(request.header("authorization"), requests[0].header("authorization"));
}

}  // namespace
}  // namespace quorvel::testing
