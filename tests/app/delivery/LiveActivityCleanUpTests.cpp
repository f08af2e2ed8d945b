// What a Live Activity leaves behind: the clean-up of its channels, the list of channels it
// keeps, and the requests in flight at quit.
#include <thread>

#include "tests/app/delivery/LiveActivityLifecycle.hpp"

namespace quorvel::testing {
namespace {

TEST_F(LiveActivityLifecycle, TheCleanUpDeletesOnlyItsOwnOrphansAndStopsAtTheFirstFailure) {
    {
        auto coordinator = make();
        start(*coordinator, {"kept", "ended", "stuck"});
        // Two channels of this app lose their activities without being deleted.
        fake_.script("channel", json::Json::array({FakeApns::answer(500), FakeApns::answer(500)}));
        coordinator->reconcile({running("kept")}, false, std::nullopt, reconcileTime);
        ASSERT_TRUE(settle());
        EXPECT_EQ(coordinator->createdChannels().size(), 3u);
        fake_.reset();
    }
    auto relaunched = make();
    const std::string kept = relaunched->active().at("kept").channelID;
    std::vector<std::string> orphans;
    for (const std::string& channel : relaunched->createdChannels()) {
        if (channel != kept) orphans.push_back(channel);
    }
    ASSERT_EQ(orphans.size(), 2u);
    json::Json listing = json::Json::object();
    // Another user's channel behind the same relay is listed too.
    listing["channels"] = json::Json::array({"someone-elses", orphans[0], kept, orphans[1]});
    const auto coordinatorLines = [](const testing::LogCapture& log) {
        std::vector<std::string> lines;
        for (const auto& line : log.lines()) {
            if (line.find("[LiveActivity]") != std::string::npos) lines.push_back(line);
        }
        return lines;
    };

    // A refusal ends the clean-up; the rest waits for the next launch.
    fake_.script("channel", json::Json::array({FakeApns::answer(200, json::dump(listing)), FakeApns::answer(500)}));
    {
        testing::LogCapture log;
        relaunched->cleanUpOrphanChannels();
        ASSERT_TRUE(settle());
        EXPECT_EQ(requestLines(), (std::vector<std::string>{"GET channel <absent>", "DELETE channel " + orphans[0]}));
        EXPECT_EQ(relaunched->createdChannels().size(), 3u);
        EXPECT_EQ(coordinatorLines(log),
                  (std::vector<std::string>{"info com.tessaloom.quorvel.mac [LiveActivity] Channel clean-up skipped: "
                                            "Apple refused the push: 500 "}));
        fake_.reset();
    }

    // One orphan is gone already; the other is deleted.
    auto third = make();
    fake_.script("channel", json::Json::array({FakeApns::answer(200, json::dump(listing)), FakeApns::answer(404),
                                               FakeApns::answer(200)}));
    testing::LogCapture log;
    third->cleanUpOrphanChannels();
    ASSERT_TRUE(settle());
    EXPECT_EQ(requestLines(), (std::vector<std::string>{"GET channel <absent>", "DELETE channel " + orphans[0],
                                                        "DELETE channel " + orphans[1]}));
    EXPECT_EQ(third->createdChannels(), (std::set<std::string>{kept}));
    EXPECT_EQ(coordinatorLines(log),
              (std::vector<std::string>{"info com.tessaloom.quorvel.mac [LiveActivity] Deleted orphan channel " +
                                        orphans[1]}));
}

TEST_F(LiveActivityLifecycle, WithNoChannelOfItsOwnTheCleanUpNeitherReadsTheKeyringNorAsks) {
    auto coordinator = make();
    ASSERT_TRUE(coordinator->createdChannels().empty());
    // A keyring that would make itself seen: locked, every read refused.
    secrets_.setFailure(SecretStoreError{SecretStoreError::Code::denied, "The keyring is locked."});
    testing::LogCapture log;
    coordinator->cleanUpOrphanChannels();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(requestLines().empty()) << ::testing::PrintToString(requestLines());
    EXPECT_EQ(log.text().find("Channel clean-up skipped"), std::string::npos) << log.text();
    secrets_.setFailure(std::nullopt);
}

TEST_F(LiveActivityLifecycle, TheCleanUpLeavesTheChannelOfAStartInFlight) {
    auto coordinator = make();
    json::Json slowStart = FakeApns::answer(200);
    slowStart["delay"] = 1500;
    fake_.script("channel", json::Json::array({channelMade("chan-new")}));
    fake_.script("production", json::Json::array({slowStart}));
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime);
    ASSERT_TRUE(loop_->runMainUntil([&] { return coordinator->createdChannels().count("chan-new") == 1; }));

    fake_.script("channel", json::Json::array({FakeApns::answer(200, R"({"channels":["chan-new"]})")}));
    testing::LogCapture log;
    coordinator->cleanUpOrphanChannels();
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->active().at("s1").channelID, "chan-new");
    for (const auto& line : requestLines()) EXPECT_EQ(line.rfind("DELETE", 0), std::string::npos) << line;
    EXPECT_TRUE(log.text().find("Deleted orphan channel") == std::string::npos);
}

TEST_F(LiveActivityLifecycle, TheChannelListKeepsItsNewest256AndDropsWhatASuccessfulListingLacks) {
    json::Json stored = json::Json::array();
    for (int index = 0; index < 300; ++index) stored.push_back("old-" + std::to_string(index));
    defaults_->setJson("liveActivityChannels", stored);
    auto coordinator = make();
    ASSERT_EQ(coordinator->createdChannels().size(), 256u);
    EXPECT_EQ(coordinator->createdChannels().count("old-43"), 0u);
    EXPECT_EQ(coordinator->createdChannels().count("old-44"), 1u);

    const std::string channel = start(*coordinator, {"s1"}).at("s1");
    EXPECT_EQ(coordinator->createdChannels().size(), 256u);
    EXPECT_EQ(coordinator->createdChannels().count("old-44"), 0u);
    EXPECT_EQ(coordinator->createdChannels().count(channel), 1u);
    EXPECT_EQ(defaults_->jsonValue("liveActivityChannels")->size(), 256u);

    // An answer that lists nothing tells nothing: every channel stays.
    fake_.script("channel", json::Json::array({FakeApns::answer(500)}));
    coordinator->cleanUpOrphanChannels();
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->createdChannels().size(), 256u);
    fake_.reset();

    // The service lists one old channel (an orphan, deleted) and not the activity's own, which
    // is in use and stays; the rest are gone from the service and from the list.
    auto relaunched = make();
    fake_.script("channel", json::Json::array({FakeApns::answer(200, R"({"channels":["old-299","someone-elses"]})")}));
    relaunched->cleanUpOrphanChannels();
    ASSERT_TRUE(settle());
    EXPECT_EQ(requestLines(), (std::vector<std::string>{"GET channel <absent>", "DELETE channel old-299"}));
    EXPECT_EQ(relaunched->createdChannels(), (std::set<std::string>{channel}));
    EXPECT_EQ(defaults_->jsonValue("liveActivityChannels"), json::Json::array({channel}));
}

TEST_F(LiveActivityLifecycle, AtQuitAnEndInFlightIsCancelledAndTheNextLaunchSendsIt) {
    std::string channel;
    {
        auto coordinator = make();
        channel = start(*coordinator, {"s1"}).at("s1");
        json::Json stuck = FakeApns::answer(200);
        stuck["delay"] = 20000;
        fake_.script("production", json::Json::array({stuck}));
        coordinator->reconcile({}, false, std::nullopt, reconcileTime);
        ASSERT_TRUE(waitForRequests(1));

        const auto stopping = std::chrono::steady_clock::now();
        coordinator->stop(std::chrono::seconds(2));
        EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(1));
        EXPECT_TRUE(coordinator->active().empty());
        EXPECT_EQ(coordinator->pendingEnds().count(channel), 1u);
        // Nothing goes out after the stop.
        coordinator->reconcile({running("s2")}, true, phone(), reconcileTime.adding(5));
        EXPECT_TRUE(settle());
        EXPECT_EQ(fake_.requests().size(), 1u);
        fake_.reset();
    }
    EXPECT_EQ(defaults_->jsonValue("liveActivitiesEnding")->count(channel), 1u);

    // The next launch, with a working network, sends the end and deletes the channel.
    delivery_.reset();
    auto relaunched = make();
    ASSERT_EQ(relaunched->pendingEnds().count(channel), 1u);
    relaunched->cleanUpOrphanChannels();
    ASSERT_TRUE(settle());
    std::vector<std::string> lines = requestLines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"DELETE channel " + channel, "GET channel <absent>",
                                               "POST production " + channel}));
    EXPECT_TRUE(relaunched->pendingEnds().empty());
    EXPECT_TRUE(relaunched->createdChannels().empty());
    EXPECT_EQ(defaults_->jsonValue("liveActivitiesEnding"), json::Json::object());
    EXPECT_EQ(relaunched->report().rfind("Live Activity ended with done ", 0), 0u);
}

TEST_F(LiveActivityLifecycle, AtQuitAStartInFlightLeavesItsChannelToTheNextCleanUp) {
    {
        auto coordinator = make();
        json::Json stuck = FakeApns::answer(200);
        stuck["delay"] = 20000;
        fake_.script("channel", json::Json::array({channelMade("chan-new")}));
        fake_.script("production", json::Json::array({stuck}));
        coordinator->reconcile({running("s1")}, true, phone(), reconcileTime);
        ASSERT_TRUE(waitForRequests(2));
        coordinator->stop(std::chrono::seconds(2));
        EXPECT_TRUE(coordinator->active().empty());
        EXPECT_EQ(coordinator->createdChannels(), (std::set<std::string>{"chan-new"}));
        fake_.reset();
    }
    delivery_.reset();
    auto relaunched = make();
    fake_.script("channel", json::Json::array({FakeApns::answer(200, R"({"channels":["chan-new"]})")}));
    relaunched->cleanUpOrphanChannels();
    ASSERT_TRUE(settle());
    EXPECT_EQ(requestLines(), (std::vector<std::string>{"GET channel <absent>", "DELETE channel chan-new"}));
    EXPECT_TRUE(relaunched->createdChannels().empty());
}

}  // namespace
}  // namespace quorvel::testing
