#include <gtest/gtest.h>

#include "kit/push/APNsClient.hpp"
#include "tests/kit/push/APNsClientTestbed.hpp"

namespace quorvel::testing {
namespace {

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
}  // namespace quorvel::testing
