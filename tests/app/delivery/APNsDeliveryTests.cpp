#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "app/delivery/APNsDelivery.hpp"
#include "kit/push/OutgoingPushPayload.hpp"
#include "platform/services/CurlHttpTransport.hpp"
#include "platform/services/InMemorySecretStore.hpp"
#include "tests/kit/push/FakeApns.hpp"

namespace quorvel {
namespace {

using testing::FakeApns;
using Clock = std::chrono::steady_clock;

const std::string phoneToken = "aabbccddeeff00112233445566778899aabbccddeeff00112233445566778899";

OutgoingPush testPush(std::string sessionID = "session-123456789") {
    return OutgoingPush{Alert::Kind::needsYou,
                        std::move(sessionID),
                        "OI. NEEDS YOU.",
                        "Claude wants to run a/b",
                        std::string("alarm.caf"),
                        PushPayloads::InterruptionLevel::timeSensitive,
                        Instant::fromUnixSeconds(1700000000),
                        std::string("web"),
                        std::string("Fix it"),
                        12.5};
}

class APNsDeliveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        pem_ = testing::makePrivateKeyPem(folder_, "AuthKey_KEY1234567.p8");
        defaults_.setString("phoneDeviceToken", phoneToken);
    }

    APNsDelivery::Options options(std::chrono::milliseconds rateLimitWait = std::chrono::milliseconds(30000)) {
        APNsDelivery::Options made;
        made.client.hosts = APNsHosts{fake_.host("production"), fake_.host("broadcast"), fake_.host("channel")};
        made.client.http = std::make_shared<CurlHttpTransport>(CurlHttpTransport::Options{fake_.caFile()});
        made.rateLimitWait = rateLimitWait;
        return made;
    }

    void storeKey(const std::string& keyID = "KEY1234567", const std::string& teamID = "TEAM123456") {
        ASSERT_TRUE(APNsKeyStore::save(secrets_, {keyID, teamID, pem_}));
    }
    void storeRelay(const std::string& key = "relay-key") {
        ASSERT_TRUE(RelayKeyStore::save(secrets_, {WebUrl::parse(fake_.relayUrl()).value(), key}));
    }

    std::string failureText(APNsDelivery& delivery, const OutgoingPush& push = testPush()) {
        auto sent = delivery.push(push);
        return sent ? "<sent>" : sent.error().description;
    }

    testing::TemporaryFolder folder_;
    FakeApns fake_;
    std::string pem_;
    InMemorySecretStore secrets_;
    KeyValueStore defaults_{folder_ / "defaults.json"};
};

TEST_F(APNsDeliveryTest, AlertReachesTheServiceDirectlyWithTheP8Key) {
    storeKey();
    APNsDelivery delivery(secrets_, defaults_, options());
    testing::LogCapture log;
    ASSERT_EQ(failureText(delivery), "<sent>");

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].server, "production");
    EXPECT_EQ(requests[0].path, "/3/device/" + phoneToken);
    EXPECT_EQ(requests[0].body, payload(testPush()).value());
    EXPECT_EQ(requests[0].header("authorization").rfind("bearer ", 0), 0u);
    EXPECT_EQ(defaults_.boolValue("phoneDeviceTokenInvalid"), false);
    const auto lines = log.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "info com.tessaloom.quorvel.mac [Delivery] Pushed needsYou for session session-…");
}

TEST_F(APNsDeliveryTest, AlertReachesTheServiceThroughTheRelayWhichWinsOverTheKey) {
    storeKey();
    storeRelay();
    APNsDelivery delivery(secrets_, defaults_, options());
    ASSERT_EQ(failureText(delivery), "<sent>");

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].server, "relay");
    EXPECT_EQ(requests[0].header("authorization"), "Bearer relay-key");
    const json::Json envelope = json::parse(requests[0].body);
    EXPECT_EQ(envelope.at("path"), "/3/device/" + phoneToken);
    EXPECT_EQ(base64::decode(envelope.at("body").get<std::string>()).value_or(""), payload(testPush()).value());
}

TEST_F(APNsDeliveryTest, HostsAndCertificatesComeFromTheEnvironment) {
    storeKey();
    setenv("QUORVEL_APNS_HOST", fake_.host("production").c_str(), 1);
    setenv("QUORVEL_APNS_BROADCAST_HOST", fake_.host("broadcast").c_str(), 1);
    setenv("QUORVEL_APNS_CHANNEL_HOST", fake_.host("channel").c_str(), 1);
    setenv("QUORVEL_CA_FILE", fake_.caFile().c_str(), 1);
    {
        APNsDelivery delivery(secrets_, defaults_);
        EXPECT_EQ(failureText(delivery), "<sent>");
        auto client = delivery.client();
        ASSERT_TRUE(client);
        EXPECT_EQ(client.value()->hosts(), (APNsHosts{fake_.host("production"), fake_.host("broadcast"),
                                                      fake_.host("channel")}));
    }
    for (const char* name : {"QUORVEL_APNS_HOST", "QUORVEL_APNS_BROADCAST_HOST", "QUORVEL_APNS_CHANNEL_HOST",
                             "QUORVEL_CA_FILE"}) {
        unsetenv(name);
    }
    EXPECT_EQ(fake_.requests().size(), 1u);
}

TEST_F(APNsDeliveryTest, RefusalsBecomeTheProblemTexts) {
    storeKey();
    struct Case {
        std::string name;
        json::Json answer;
        std::string text;
        std::optional<bool> invalidFlag;  // absent: left as it was
    };
    const Case cases[] = {
        {"410 Unregistered", FakeApns::answer(410, R"({"reason":"Unregistered"})"),
         "The phone token was refused (Unregistered). Copy a fresh one from the phone.", true},
        {"400 BadDeviceToken", FakeApns::answer(400, R"({"reason":"BadDeviceToken"})"),
         "The phone token was refused (BadDeviceToken). Copy a fresh one from the phone.", true},
        {"400 DeviceTokenNotForTopic", FakeApns::answer(400, R"({"reason":"DeviceTokenNotForTopic"})"),
         "The phone token was refused (DeviceTokenNotForTopic). Copy a fresh one from the phone.", true},
        {"400 other", FakeApns::answer(400, R"({"reason":"PayloadEmpty"})"), "Apple refused the push: 400 PayloadEmpty",
         std::nullopt},
        {"410 other", FakeApns::answer(410, R"({"reason":"ExpiredToken"})"), "Apple refused the push: 410 ExpiredToken",
         std::nullopt},
        {"500 without reason", FakeApns::answer(500), "Apple refused the push: 500 ", std::nullopt},
        {"204", FakeApns::answer(204), "<sent>", false},
    };
    APNsDelivery delivery(secrets_, defaults_, options());
    for (const Case& c : cases) {
        defaults_.remove("phoneDeviceTokenInvalid");
        fake_.script("production", json::Json::array({c.answer}));
        EXPECT_EQ(failureText(delivery), c.text) << c.name;
        EXPECT_EQ(defaults_.boolValue("phoneDeviceTokenInvalid"), c.invalidFlag) << c.name;
    }
}

TEST_F(APNsDeliveryTest, RelayRefusalsBecomeRejections) {
    storeRelay();
    fake_.script("relay", json::Json::array({FakeApns::answer(401, R"({"error":"unknown key"})"), FakeApns::answer(502)}));
    APNsDelivery delivery(secrets_, defaults_, options());
    EXPECT_EQ(failureText(delivery), "Apple refused the push: 401 unknown key");
    EXPECT_EQ(failureText(delivery), "Apple refused the push: 502 relay answered 502");
}

TEST_F(APNsDeliveryTest, MissingTokenOrCredentials) {
    APNsDelivery delivery(secrets_, defaults_, options());
    EXPECT_EQ(failureText(delivery), "No relay key and no Apple key. Add one in Settings › Relay or Settings › Phone key.");

    // Checked before the keyring is asked at all: a broken keyring doesn't hide it.
    secrets_.setFailure(SecretStoreError{SecretStoreError::Code::unavailable, "no bus"});
    for (const std::string& stored : {std::string(" \n\t "), std::string()}) {
        defaults_.setString("phoneDeviceToken", stored);
        EXPECT_EQ(failureText(delivery), "No phone token yet. Copy it from the phone's Settings into Settings › Phone.");
    }
    defaults_.remove("phoneDeviceToken");
    EXPECT_EQ(failureText(delivery), "No phone token yet. Copy it from the phone's Settings into Settings › Phone.");

    defaults_.setString("phoneDeviceToken", phoneToken);
    EXPECT_EQ(failureText(delivery),
              "Keyring: No keyring is available. Start the desktop's keyring service (such as GNOME Keyring).");
    EXPECT_TRUE(fake_.requests().empty());
}

TEST_F(APNsDeliveryTest, TokenIsTrimmedAndLowerCased) {
    storeKey();
    defaults_.setString("phoneDeviceToken", "  AABBCCDDEEFF\n");
    APNsDelivery delivery(secrets_, defaults_, options());
    ASSERT_EQ(failureText(delivery), "<sent>");
    EXPECT_EQ(fake_.requests().at(0).path, "/3/device/aabbccddeeff");
}

TEST_F(APNsDeliveryTest, SessionIdentifiersInTheLogAreCutAtEightCharacters) {
    storeKey();
    APNsDelivery delivery(secrets_, defaults_, options());
    testing::LogCapture log;
    ASSERT_EQ(failureText(delivery, testPush("12345678")), "<sent>");
    ASSERT_EQ(failureText(delivery, testPush("123456789")), "<sent>");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 4u);  // two of the client, two of delivery
    EXPECT_EQ(lines[1], "info com.tessaloom.quorvel.mac [Delivery] Pushed needsYou for session 12345678");
    EXPECT_EQ(lines[3], "info com.tessaloom.quorvel.mac [Delivery] Pushed needsYou for session 12345678…");
}

TEST_F(APNsDeliveryTest, ClientIsKeptWhileTheCredentialsStayTheSame) {
    storeKey();
    APNsDelivery delivery(secrets_, defaults_, options());
    const auto first = delivery.client().value();
    EXPECT_EQ(delivery.client().value(), first);

    // Re-importing the same file keeps the client; a corrected key under the same key ID, or
    // another team, gets a new one at once.
    storeKey();
    EXPECT_EQ(delivery.client().value(), first);
    pem_ = testing::makePrivateKeyPem(folder_, "corrected.p8");
    storeKey();
    const auto corrected = delivery.client().value();
    EXPECT_NE(corrected, first);
    storeKey("KEY1234567", "OTHERTEAM1");
    EXPECT_NE(delivery.client().value(), corrected);

    storeRelay("key-1");
    const auto relay = delivery.client().value();
    EXPECT_TRUE(relay->isRelay());
    EXPECT_EQ(delivery.client().value(), relay);
    storeRelay("key-2");
    EXPECT_NE(delivery.client().value(), relay);

    // With everything removed there is no key, whatever was cached.
    ASSERT_TRUE(RelayKeyStore::remove(secrets_));
    ASSERT_TRUE(APNsKeyStore::remove(secrets_));
    auto none = delivery.client();
    ASSERT_FALSE(none);
    EXPECT_EQ(std::get<APNsDelivery::Problem>(none.error()), APNsDelivery::Problem::noKey());
}

TEST_F(APNsDeliveryTest, CorruptStoredKeyIsReported) {
    ASSERT_TRUE(secrets_.replace(APNsKeyStore::service(), "default", "x", R"({"keyID":"K","teamID":"T","pem":"junk"})"));
    APNsDelivery delivery(secrets_, defaults_, options());
    auto client = delivery.client();
    ASSERT_FALSE(client);
    EXPECT_EQ(std::get<SigningKeyError>(client.error()).code, SigningKeyError::Code::notPem);
}

TEST_F(APNsDeliveryTest, OversizedPayloadIsRefusedBeforeSending) {
    storeKey();
    APNsDelivery delivery(secrets_, defaults_, options());
    OutgoingPush push = testPush();
    push.body = std::string(5000, 'x');
    auto sent = delivery.send(push);
    ASSERT_FALSE(sent);
    ASSERT_TRUE(std::holds_alternative<PushPayloads::TooLarge>(sent.error()));
    EXPECT_EQ(std::get<PushPayloads::TooLarge>(sent.error()).limit, 4096);
    EXPECT_TRUE(fake_.requests().empty());
}

TEST_F(APNsDeliveryTest, RateLimitHoldsBackOnlyItsOwnCallerAndEndsAtQuit) {
    storeKey();
    const auto wait = std::chrono::milliseconds(1500);
    APNsDelivery delivery(secrets_, defaults_, options(wait));
    fake_.script("production", json::Json::array({FakeApns::answer(429, R"({"reason":"TooManyRequests"})")}));

    const auto started = Clock::now();
    auto limited = std::async(std::launch::async, [&] { return failureText(delivery); });
    // Once the 429 has been answered, another push goes out at once.
    while (fake_.requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto secondStarted = Clock::now();
    EXPECT_EQ(failureText(delivery), "<sent>");
    EXPECT_LT(Clock::now() - secondStarted, std::chrono::milliseconds(1000));
    EXPECT_EQ(limited.wait_for(std::chrono::seconds(0)), std::future_status::timeout);

    EXPECT_EQ(limited.get(), "Apple refused the push: 429 TooManyRequests");
    EXPECT_GE(Clock::now() - started, wait);

    // At quit a waiting push ends at once, with the cancellation instead of the refusal.
    fake_.script("production", json::Json::array({FakeApns::answer(429)}));
    APNsDelivery quitting(secrets_, defaults_, options(std::chrono::minutes(5)));
    auto waiting = std::async(std::launch::async, [&] { return quitting.send(testPush()); });
    while (fake_.requests().size() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    quitting.cancel();
    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    auto result = waiting.get();
    ASSERT_FALSE(result);
    EXPECT_TRUE(std::holds_alternative<APNsDelivery::Cancelled>(result.error()));
}

TEST_F(APNsDeliveryTest, TransportErrorsArePassedOn) {
    storeKey();
    APNsDelivery::Options unreachable = options();
    unreachable.client.hosts.production = "127.0.0.1:1";
    APNsDelivery delivery(secrets_, defaults_, unreachable);
    EXPECT_EQ(failureText(delivery), "Could not connect to the server.");
}

}  // namespace
}  // namespace quorvel
