#include <gtest/gtest.h>

#include <algorithm>

#include "kit/push/APNsClient.hpp"
#include "tests/kit/push/APNsClientTestbed.hpp"

namespace quorvel::testing {
namespace {

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

}  // namespace
}  // namespace quorvel::testing
