#pragma once
// Test support: a Live Activity coordinator wired to the fake push service (or its relay),
// an in-memory keyring, a defaults file of its own, and background threads whose results
// wait for the test's own main loop.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/delivery/APNsLiveActivityCoordinator.hpp"
#include "app/reports/PushReport.hpp"
#include "kit/push/LiveActivityPayloads.hpp"
#include "platform/services/CurlHttpTransport.hpp"
#include "platform/services/InMemorySecretStore.hpp"
#include "tests/kit/push/FakeApns.hpp"
#include "tests/support/TestMainLoop.hpp"

namespace quorvel::testing {

inline const std::string pushToStartToken = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
inline const Instant reconcileTime = Instant::fromUnixSeconds(1700000500.75);
inline const Calendar utcEnglish{"gregorian", "UTC", "en_US"};

/// An answer of the channel host that hands out `channelID`.
inline json::Json channelMade(const std::string& channelID) {
    json::Json headers = json::Json::object();
    headers["apns-channel-id"] = channelID;
    return FakeApns::answer(201, "", headers);
}

class LiveActivityTestbed : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(APNsKeyStore::save(secrets_, {"KEY1234567", "TEAM123456", makePrivateKeyPem(folder_, "key.p8")}));
    }

    void useRelay() {
        ASSERT_TRUE(RelayKeyStore::save(secrets_, {WebUrl::parse(fake_.relayUrl()).value(), "relay-key"}));
    }

    /// A coordinator over the shared defaults, as one launch of the app makes it.
    std::unique_ptr<APNsLiveActivityCoordinator> make() {
        if (!delivery_) {
            APNsDelivery::Options options;
            options.client.hosts = APNsHosts{fake_.host("production"), fake_.host("broadcast"), fake_.host("channel")};
            options.client.http = std::make_shared<CurlHttpTransport>(CurlHttpTransport::Options{fake_.caFile()});
            options.client.clock = clock_;
            delivery_ = std::make_shared<APNsDelivery>(secrets_, *defaults_, options);
        }
        APNsLiveActivityCoordinator::Options options;
        options.calendar = [] { return utcEnglish; };
        options.clock = clock_;
        return std::make_unique<APNsLiveActivityCoordinator>(delivery_, defaults_,
                                                             std::make_unique<TestWorkQueue>(loop_),
                                                             std::make_unique<TestMainThreadHandOff>(loop_), options);
    }

    static PhoneDevice phone(std::optional<std::string> token = pushToStartToken) {
        return PhoneDevice{"aabb",      std::move(token), true, "Pixel", "17.2", Instant::fromUnixSeconds(1699990000),
                           std::nullopt};
    }

    /// A session working on "Fix the build" in /work/site since 500 seconds before the reconcile.
    static Session session(const std::string& id, SessionState state) {
        Session made;
        made.id = id;
        made.cwd = "/work/site";
        made.state = std::move(state);
        made.run = quorvel::Run{reconcileTime.adding(-500), "Fix the build"};
        made.lastEventAt = reconcileTime.adding(-10);
        return made;
    }
    static Session running(const std::string& id) { return session(id, SessionState::running(*session(id, {}).run)); }

    /// Starts the Live Activities of running sessions `ids` together and forgets the requests
    /// that took; gives each session's channel.
    std::map<std::string, std::string> start(APNsLiveActivityCoordinator& coordinator,
                                             const std::vector<std::string>& ids) {
        json::Json answers = json::Json::array();
        std::vector<Session> sessions;
        for (std::size_t index = 0; index < ids.size(); ++index) {
            answers.push_back(channelMade("chan-" + std::to_string(index)));
            sessions.push_back(running(ids[index]));
        }
        fake_.script("channel", answers);
        coordinator.reconcile(sessions, true, phone(), reconcileTime);
        std::map<std::string, std::string> channels;
        EXPECT_TRUE(loop_->settle());
        for (const std::string& id : ids) {
            const auto entry = coordinator.active().find(id);
            EXPECT_NE(entry, coordinator.active().end()) << coordinator.report();
            if (entry != coordinator.active().end()) channels[id] = entry->second.channelID;
        }
        fake_.reset();
        return channels;
    }

    bool settle() { return loop_->settle(); }

    static std::string clock(Instant at = reconcileTime) { return PushReport::clockText(at, utcEnglish); }

    TemporaryFolder folder_;
    FakeApns fake_;
    InMemorySecretStore secrets_;
    std::shared_ptr<KeyValueStore> defaults_ = std::make_shared<KeyValueStore>(folder_ / "defaults.json");
    std::shared_ptr<ManualClock> clock_ = std::make_shared<ManualClock>(reconcileTime.adding(2));
    std::shared_ptr<TestMainLoop> loop_ = std::make_shared<TestMainLoop>();
    std::shared_ptr<APNsDelivery> delivery_;
};

}  // namespace quorvel::testing
