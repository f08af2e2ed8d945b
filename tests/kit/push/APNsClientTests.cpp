#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

#include "kit/push/APNsClient.hpp"
#include "platform/Base64.hpp"
#include "platform/services/CurlHttpTransport.hpp"
#include "tests/kit/push/FakeApns.hpp"
#include "tests/support/SilentServer.hpp"

namespace quorvel {
namespace {

using testing::FakeApns;
using testing::RecordedRequest;

const std::string token64 = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
const std::string alertPayload = R"({"aps":{"alert":{"body":"b","title":"t"}}})";

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

std::string claimsOf(const std::string& authorization) {
    const std::string token = authorization.substr(std::string("bearer ").size());
    const std::size_t first = token.find('.');
    const std::size_t second = token.find('.', first + 1);
    return base64::decodeUrl(token.substr(first + 1, second - first - 1)).value_or("");
}

class APNsClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto signer = APNsJWTSigner::make(testing::makePrivateKeyPem(folder_, "key.p8"), "KEY1234567", "TEAM123456");
        ASSERT_TRUE(signer);
        signer_.emplace(std::move(signer.value()));
    }

    APNsClient::Options options() {
        APNsClient::Options made;
        made.hosts = APNsHosts{fake_.host("production"), fake_.host("broadcast"), fake_.host("channel")};
        made.http = std::make_shared<CurlHttpTransport>(CurlHttpTransport::Options{fake_.caFile()});
        made.clock = clock_;
        return made;
    }

    std::unique_ptr<APNsClient> directClient() { return std::make_unique<APNsClient>(*signer_, options()); }

    std::unique_ptr<APNsClient> relayClient(const std::string& key = "relay-key") {
        return std::make_unique<APNsClient>(WebUrl::parse(fake_.relayUrl()).value(), key, options());
    }

    testing::TemporaryFolder folder_;
    FakeApns fake_;
    std::shared_ptr<testing::ManualClock> clock_ =
        std::make_shared<testing::ManualClock>(Instant::fromUnixSeconds(1700000000.5));
    std::optional<APNsJWTSigner> signer_;
};

// ---- direct requests -------------------------------------------------------------------

TEST_F(APNsClientTest, AlertCarriesExactlyItsHeadersAndTheSignedToken) {
    fake_.script("production", json::Json::array({FakeApns::answer(200, "", {{"apns-id", "ID-1"}})}));
    auto client = directClient();
    auto response = client->sendAlert(token64, alertPayload);
    ASSERT_TRUE(response) << describe(response.error());
    EXPECT_EQ(response.value(), (APNsClient::Response{200, std::nullopt, "ID-1", std::nullopt, fake_.host("production")}));

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    EXPECT_EQ(request.server, "production");
    EXPECT_EQ(request.httpVersion, "2");
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/3/device/" + token64);
    EXPECT_EQ(sorted(request.headerNames()),
              sorted({"authorization", "content-type", "apns-topic", "apns-push-type", "apns-priority"}));
    EXPECT_EQ(request.header("content-type"), "application/json");
    EXPECT_EQ(request.header("apns-topic"), "com.tessaloom.quorvel");
    EXPECT_EQ(request.header("apns-push-type"), "alert");
    EXPECT_EQ(request.header("apns-priority"), "10");
    EXPECT_EQ(request.body, alertPayload);

    const std::string authorization = request.header("authorization");
    ASSERT_EQ(authorization.rfind("bearer ", 0), 0u);
    EXPECT_EQ(claimsOf(authorization), R"({"iss":"TEAM123456","iat":1700000000})");
    const std::string token = authorization.substr(7);
    const std::size_t lastDot = token.rfind('.');
    const std::string raw = base64::decodeUrl(token.substr(lastDot + 1)).value_or("");
    ASSERT_EQ(raw.size(), 64u);
    std::array<std::uint8_t, 64> signature{};
    std::copy(raw.begin(), raw.end(), signature.begin());
    auto publicKey = P256PublicKey::fromPem(testing::publicKeyPemOf(folder_, "key.p8"));
    ASSERT_TRUE(publicKey);
    EXPECT_TRUE(publicKey->isValidSignature(signature, token.substr(0, lastDot)));
}

TEST_F(APNsClientTest, EachOperationSendsItsOwnRequest) {
    fake_.script("channel", json::Json::array({FakeApns::answer(201, "", {{"apns-channel-id", "CH-NEW"}}),
                                               FakeApns::answer(200, R"({"channels":["a","b"]})"),
                                               FakeApns::answer(204)}));
    auto client = directClient();
    ASSERT_TRUE(client->sendLiveActivityUpdate("push-to-start", "{}"));
    auto created = client->createChannel();
    ASSERT_TRUE(created);
    EXPECT_EQ(created->channelID, "CH-NEW");
    EXPECT_EQ(created->host, fake_.host("channel"));
    auto listed = client->listChannels();
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed.value(), (std::vector<std::string>{"a", "b"}));
    auto deleted = client->deleteChannel("CH-OLD");
    ASSERT_TRUE(deleted);
    EXPECT_EQ(deleted->status, 204);

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 4u);
    const RecordedRequest& live = requests[0];
    EXPECT_EQ(live.path, "/3/device/push-to-start");
    EXPECT_EQ(live.header("apns-topic"), "com.tessaloom.quorvel.push-type.liveactivity");
    EXPECT_EQ(live.header("apns-push-type"), "liveactivity");
    EXPECT_EQ(live.header("apns-priority"), "10");

    const RecordedRequest& create = requests[1];
    EXPECT_EQ(create.server, "channel");
    EXPECT_EQ(create.method, "POST");
    EXPECT_EQ(create.path, "/1/apps/com.tessaloom.quorvel/channels");
    EXPECT_EQ(sorted(create.headerNames()), sorted({"authorization", "content-type"}));
    EXPECT_EQ(create.body, R"({"message-storage-policy": 1, "push-type": "LiveActivity"})");
    EXPECT_EQ(create.body.size(), 58u);

    const RecordedRequest& list = requests[2];
    EXPECT_EQ(list.method, "GET");
    EXPECT_EQ(list.path, "/1/apps/com.tessaloom.quorvel/all-channels");
    EXPECT_EQ(list.headerNames(), std::vector<std::string>{"authorization"});
    EXPECT_EQ(list.body, "");

    const RecordedRequest& remove = requests[3];
    EXPECT_EQ(remove.method, "DELETE");
    EXPECT_EQ(remove.path, "/1/apps/com.tessaloom.quorvel/channels");
    EXPECT_EQ(sorted(remove.headerNames()), sorted({"authorization", "apns-channel-id"}));
    EXPECT_EQ(remove.header("apns-channel-id"), "CH-OLD");
}

TEST_F(APNsClientTest, ListChannelsGivesAnEmptyListForAnyOtherAnswer) {
    fake_.script("channel", json::Json::array({FakeApns::answer(500, R"({"channels":["a"]})"), FakeApns::answer(200),
                                               FakeApns::answer(200, R"({"channels":3})"),
                                               FakeApns::answer(200, R"({"channels":["a",1]})"),
                                               FakeApns::answer(200, "not json")}));
    auto client = directClient();
    for (int i = 0; i < 5; ++i) {
        auto listed = client->listChannels();
        ASSERT_TRUE(listed) << i;
        EXPECT_TRUE(listed->empty()) << i;
    }
}

TEST_F(APNsClientTest, OnlyAListingAnswerTellsWhichChannelsExist) {
    fake_.script("channel", json::Json::array({FakeApns::answer(200, R"({"channels":[]})"), FakeApns::answer(500),
                                               FakeApns::answer(200, R"({"channels":["a",1]})")}));
    auto client = directClient();
    EXPECT_EQ(client->listedChannels().value(), std::vector<std::string>());
    EXPECT_FALSE(client->listedChannels().value());
    EXPECT_FALSE(client->listedChannels().value());
}

TEST_F(APNsClientTest, BroadcastCarriesChannelExpirationAndPriority) {
    auto client = directClient();
    auto response = client->broadcast("CH-1", R"({"aps":{}})", 5, 28800);
    ASSERT_TRUE(response);
    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/4/broadcasts/apps/com.tessaloom.quorvel");
    EXPECT_EQ(sorted(requests[0].headerNames()), sorted({"authorization", "content-type", "apns-channel-id",
                                                          "apns-push-type", "apns-expiration", "apns-priority"}));
    EXPECT_EQ(requests[0].header("apns-channel-id"), "CH-1");
    EXPECT_EQ(requests[0].header("apns-push-type"), "liveactivity");
    EXPECT_EQ(requests[0].header("apns-expiration"), "1700028800");
    EXPECT_EQ(requests[0].header("apns-priority"), "5");
}

TEST_F(APNsClientTest, BroadcastFallsBackToTheSecondHost) {
    const json::Json reset = json::Json::object({{"reset", true}});
    struct Case {
        std::string name;
        json::Json production;
        json::Json broadcast;
        std::optional<int> status;  // absent: an error is expected
        std::string server;         // where the answer came from
        int failureLines;
    };
    const Case cases[] = {
        {"500 then 200", FakeApns::answer(500), FakeApns::answer(200), 200, "broadcast", 0},
        {"400 then 410", FakeApns::answer(400, R"({"reason":"BadChannelId"})"),
         FakeApns::answer(410, R"({"reason":"ChannelGone"})"), 410, "broadcast", 0},
        {"broken then 200", reset, FakeApns::answer(200), 200, "broadcast", 1},
        {"500 then broken", FakeApns::answer(500), reset, std::nullopt, "", 1},
        {"200 at once", FakeApns::answer(200), FakeApns::answer(500), 200, "production", 0},
    };
    for (const Case& c : cases) {
        fake_.reset();
        testing::LogCapture log;
        fake_.script("production", json::Json::array({c.production}));
        fake_.script("broadcast", json::Json::array({c.broadcast}));
        auto client = directClient();
        auto response = client->broadcast("CH-1", "{}", 10, 60);
        if (c.status) {
            ASSERT_TRUE(response) << c.name;
            EXPECT_EQ(response->status, *c.status) << c.name;
            EXPECT_EQ(response->host, fake_.host(c.server)) << c.name;
        } else {
            ASSERT_FALSE(response) << c.name;
            EXPECT_TRUE(std::holds_alternative<HttpError>(response.error())) << c.name;
        }
        const auto lines = log.lines();
        const auto failures = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("[APNs] Broadcast via ") != std::string::npos && line.find(" failed: ") != std::string::npos;
        });
        EXPECT_EQ(failures, c.failureLines) << c.name;
    }
}

// ---- provider token refresh ------------------------------------------------------------

TEST_F(APNsClientTest, ExpiredProviderTokenIsResentOnceWithANewTokenWhenOldEnough) {
    const json::Json expired = FakeApns::answer(403, R"({"reason":"ExpiredProviderToken"})");
    auto client = directClient();
    ASSERT_TRUE(client->sendAlert(token64, alertPayload));  // signs at 1700000000

    clock_->advance(1200);
    fake_.reset();
    fake_.script("production", json::Json::array({expired, expired}));
    auto response = client->sendAlert(token64, alertPayload);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 403);  // the second 403 comes back as it is
    EXPECT_EQ(response->reason, "ExpiredProviderToken");
    auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(claimsOf(requests[0].header("authorization")), R"({"iss":"TEAM123456","iat":1700000000})");
    EXPECT_EQ(claimsOf(requests[1].header("authorization")), R"({"iss":"TEAM123456","iat":1700001200})");
    EXPECT_EQ(requests[1].body, requests[0].body);
    EXPECT_EQ(requests[1].path, requests[0].path);

    // The new token is now younger than 1200 seconds: no resend.
    clock_->advance(1199);
    fake_.reset();
    fake_.script("production", json::Json::array({expired}));
    response = client->sendAlert(token64, alertPayload);
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, 403);
    EXPECT_EQ(fake_.requests().size(), 1u);
}

TEST_F(APNsClientTest, OtherRefusalsAreNotResent) {
    auto client = directClient();
    clock_->advance(5000);
    for (const std::string body : {R"({"reason":"InvalidProviderToken"})", "", R"({"reason":"expiredprovidertoken"})"}) {
        fake_.reset();
        fake_.script("production", json::Json::array({FakeApns::answer(403, body)}));
        auto response = client->sendAlert(token64, alertPayload);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, 403);
        EXPECT_EQ(fake_.requests().size(), 1u) << body;
    }
}

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

// ---- relay -------------------------------------------------------------------------------

json::Json envelopeOf(const RecordedRequest& request) { return json::parse(request.body); }

TEST_F(APNsClientTest, RelayWrapsAnAlertInItsEnvelope) {
    fake_.script("relay", json::Json::array({FakeApns::answer(200, R"({"status":200,"apnsID":"A-1"})")}));
    auto client = relayClient();
    auto response = client->sendAlert(token64, alertPayload);
    ASSERT_TRUE(response);
    EXPECT_EQ(response.value(), (APNsClient::Response{200, std::nullopt, "A-1", std::nullopt, "relay"}));

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& request = requests[0];
    EXPECT_EQ(request.server, "relay");
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/push");
    EXPECT_EQ(sorted(request.headerNames()), sorted({"authorization", "content-type"}));
    EXPECT_EQ(request.header("authorization"), "Bearer relay-key");
    EXPECT_EQ(request.header("content-type"), "application/json");

    const json::Json envelope = envelopeOf(request);
    EXPECT_EQ(envelope.at("target"), "push");
    EXPECT_EQ(envelope.at("method"), "POST");
    EXPECT_EQ(envelope.at("path"), "/3/device/" + token64);
    EXPECT_EQ(envelope.at("headers"), json::Json::object({{"apns-topic", "com.tessaloom.quorvel"},
                                                          {"apns-push-type", "alert"},
                                                          {"apns-priority", "10"}}));
    EXPECT_EQ(base64::decode(envelope.at("body").get<std::string>()).value_or(""), alertPayload);
}

TEST_F(APNsClientTest, RelayEnvelopeTargetsFollowThePath) {
    fake_.script("relay", json::Json::array({FakeApns::answer(200, R"({"status":201,"channelID":"C-9","host":"h"})"),
                                             FakeApns::answer(200, R"({"status":200,"body":"{\"channels\":[\"x\"]}"})"),
                                             FakeApns::answer(200, R"({"status":500})")}));
    auto client = relayClient();
    auto created = client->createChannel();
    ASSERT_TRUE(created);
    EXPECT_EQ(created.value(), (APNsClient::Response{201, std::nullopt, std::nullopt, "C-9", "h"}));
    auto listed = client->listChannels();
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed.value(), std::vector<std::string>{"x"});
    auto broadcast = client->broadcast("C-9", "{}", 10, 60);
    ASSERT_TRUE(broadcast);
    EXPECT_EQ(broadcast->status, 500);  // a relay has one host: no second try

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 3u);
    const json::Json create = envelopeOf(requests[0]);
    EXPECT_EQ(create.at("target"), "channel");
    EXPECT_EQ(create.at("headers"), json::Json::object());
    EXPECT_TRUE(create.contains("body"));
    const json::Json list = envelopeOf(requests[1]);
    EXPECT_EQ(list.at("target"), "channel");
    EXPECT_EQ(list.at("method"), "GET");
    EXPECT_EQ(list.at("path"), "/1/apps/com.tessaloom.quorvel/all-channels");
    EXPECT_EQ(list.at("headers"), json::Json::object());
    EXPECT_FALSE(list.contains("body"));
    const json::Json broadcastEnvelope = envelopeOf(requests[2]);
    EXPECT_EQ(broadcastEnvelope.at("target"), "broadcast");
    EXPECT_EQ(broadcastEnvelope.at("headers").at("apns-channel-id"), "C-9");
    for (const auto& request : requests) EXPECT_FALSE(envelopeOf(request).at("headers").contains("authorization"));
}

TEST_F(APNsClientTest, RelayRefusalsAndOddAnswersBecomeResponses) {
    struct Case {
        std::string name;
        json::Json answer;
        APNsClient::Response expected;
    };
    const Case cases[] = {
        {"401 with error", FakeApns::answer(401, R"({"error":"bad relay key"})"),
         {401, "bad relay key", std::nullopt, std::nullopt, "localhost"}},
        {"401 empty", FakeApns::answer(401), {401, "relay answered 401", std::nullopt, std::nullopt, "localhost"}},
        {"201 is a refusal", FakeApns::answer(201, R"({"status":200})"),
         {201, "relay answered 201", std::nullopt, std::nullopt, "localhost"}},
        {"200 not JSON", FakeApns::answer(200, "<html>"), {0, std::nullopt, std::nullopt, std::nullopt, "relay"}},
        {"200 status not integer", FakeApns::answer(200, R"({"status":"200","reason":7})"),
         {0, std::nullopt, std::nullopt, std::nullopt, "relay"}},
        {"expired token is not resent", FakeApns::answer(200, R"({"status":403,"reason":"ExpiredProviderToken"})"),
         {403, "ExpiredProviderToken", std::nullopt, std::nullopt, "relay"}},
    };
    for (const Case& c : cases) {
        fake_.reset();
        testing::LogCapture log;
        fake_.script("relay", json::Json::array({c.answer}));
        auto client = relayClient();
        clock_->advance(5000);
        auto response = client->sendAlert(token64, alertPayload);
        ASSERT_TRUE(response) << c.name;
        EXPECT_EQ(response.value(), c.expected) << c.name;
        EXPECT_EQ(fake_.requests().size(), 1u) << c.name;
        if (c.expected.status != 0 && c.expected.host == "localhost") {
            ASSERT_EQ(log.lines().size(), 1u) << c.name;
            EXPECT_EQ(log.lines()[0], "error com.tessaloom.quorvel.mac [APNs] Relay refused POST /3/device/" +
                                          token64.substr(0, 8) + "…: " + *c.expected.reason);
            EXPECT_EQ(log.text().find(token64), std::string::npos) << c.name;
        }
    }
}

TEST_F(APNsClientTest, RelayKeyWithALineBreakIsNeverSent) {
    auto client = relayClient("key\r\nx-injected: 1");
    auto response = client->sendAlert(token64, alertPayload);
    ASSERT_FALSE(response);
    EXPECT_EQ(std::get<HttpError>(response.error()).code, HttpError::Code::invalidRequest);
    EXPECT_TRUE(fake_.requests().empty());
}

}  // namespace
}  // namespace quorvel
