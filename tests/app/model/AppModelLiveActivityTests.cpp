#include <gtest/gtest.h>

#include <chrono>

#include "app/delivery/APNsLiveActivityCoordinator.hpp"
#include "platform/qt/QtMainThreadHandOff.hpp"
#include "platform/qt/ThreadPoolWorkQueue.hpp"
#include "platform/services/CurlHttpTransport.hpp"
#include "tests/app/model/AppModelTestbed.hpp"
#include "tests/kit/push/FakeApns.hpp"
#include "tests/support/QtEventLoop.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::FakeApns;

// The model, the coordinator on Qt's main thread with threads of its own, and the fake push
// service, with a phone paired.
class AppModelLiveActivityTests : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(
            APNsKeyStore::save(secrets, {"KEY1234567", "TEAM123456", testing::makePrivateKeyPem(folder, "key.p8")}));
        APNsDelivery::Options options;
        options.client.hosts = APNsHosts{fake.host("production"), fake.host("broadcast"), fake.host("channel")};
        options.client.http = std::make_shared<CurlHttpTransport>(CurlHttpTransport::Options{fake.caFile()});
        delivery = std::make_shared<APNsDelivery>(secrets, *bed.defaults, options);
        bed.adjust = [this](AppServices& services) {
            services.makeLiveActivity = [this](std::shared_ptr<PushDelivery>) {
                auto made = std::make_unique<APNsLiveActivityCoordinator>(
                    delivery, bed.defaults, std::make_unique<ThreadPoolWorkQueue>(2),
                    std::make_unique<QtMainThreadHandOff>());
                coordinator = made.get();
                return made;
            };
        };
        bed.recorded.phones = {PhoneDevice{"a1b2c3", std::string("0a1b2c3d"), true, "Ada's iPhone", "18.2",
                                           Instant::fromUnixSeconds(1736113260), std::nullopt}};
        json::Json headers = json::Json::object();
        headers["apns-channel-id"] = "chan-from-apple";
        fake.script("channel", json::Json::array({FakeApns::answer(200, R"({"channels":["someone-elses"]})"),
                                                  FakeApns::answer(201, "", headers)}));
        // A channel an earlier launch made, gone from Apple since: with it on record the launch
        // clean-up has something to look for (without one it asks nothing).
        bed.defaults->setJson("liveActivityChannels", json::Json::array({"chan-made-earlier"}));
    }

    /// Makes the model, waits for its launch clean-up, and starts a run while the screen is locked.
    AppModel& runWhileAway() {
        AppModel& model = bed.make();
        // The launch clean-up lists the channels; none of them is this app's, and the one on
        // record is forgotten.
        EXPECT_NE(coordinator, nullptr);
        EXPECT_TRUE(testing::waitUntil([&] { return fake.requests().size() == 1; }));
        bed.recorded.screenEvents(ScreenStateMonitor::Event::screenLocked);
        HookEvent prompt = bed.event("UserPromptSubmit", "s1");
        prompt.promptFirstLine = "fix the build";
        model.sessions().handleHookEvent(prompt, true);
        return model;
    }

    FakeApns fake;
    testing::TemporaryFolder folder;
    InMemorySecretStore secrets;
    AppModelTestbed bed;
    std::shared_ptr<APNsDelivery> delivery;
    APNsLiveActivityCoordinator* coordinator = nullptr;
};

TEST_F(AppModelLiveActivityTests, ARunWhileAwayStartsALiveActivityOnThePairedPhone) {
    AppModel& model = runWhileAway();
    ASSERT_TRUE(testing::waitUntil([&] { return coordinator->active().count("s1") == 1; }, 20000))
        << model.phone().liveActivity().report();
    EXPECT_EQ(coordinator->active().at("s1").channelID, "chan-from-apple");
    EXPECT_EQ(model.phone().liveActivity().report().rfind("Live Activity started ", 0), 0u);
    const auto requests = fake.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].path, "/1/apps/com.tessaloom.quorvel/all-channels");
    EXPECT_EQ(requests[2].path, "/3/device/0a1b2c3d");
    EXPECT_EQ(json::parse(requests[2].body).at("aps").at("content-state").at("title"), "fix the build");
}

TEST_F(AppModelLiveActivityTests, ShutDownCancelsAStartStuckOnTheNetworkAndKeepsItsChannel) {
    json::Json stuck = FakeApns::answer(200);
    stuck["delay"] = 20000;
    fake.script("production", json::Json::array({stuck}));
    AppModel& model = runWhileAway();
    ASSERT_TRUE(testing::waitUntil([&] { return fake.requests().size() == 3; }, 20000));

    const auto started = std::chrono::steady_clock::now();
    model.shutDown();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_TRUE(coordinator->active().empty());
    // Made, never used: the next launch's clean-up deletes it.
    EXPECT_EQ(coordinator->createdChannels(), (std::set<std::string>{"chan-from-apple"}));
}

}  // namespace
}  // namespace quorvel
