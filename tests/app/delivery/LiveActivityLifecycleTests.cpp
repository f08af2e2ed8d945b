#include "tests/app/delivery/LiveActivityTestbed.hpp"

namespace quorvel {
namespace {

using testing::channelMade;
using testing::FakeApns;
using testing::LiveActivityTestbed;
using testing::reconcileTime;

class LiveActivityLifecycle : public LiveActivityTestbed {
protected:
    std::vector<std::string> requestLines() {
        std::vector<std::string> lines;
        for (const auto& request : fake_.requests()) {
            lines.push_back(request.method + " " + request.server + " " + request.header("apns-channel-id"));
        }
        return lines;
    }
};

TEST_F(LiveActivityLifecycle, StartsOnlyForABusySessionWhileAwayWithAPhoneAndOnlyOnce) {
    auto coordinator = make();
    coordinator->reconcile({running("s1")}, false, phone(), reconcileTime);
    for (SessionState state :
         {SessionState::needsYou("?"), SessionState::broke("make", 2), SessionState::idle(), SessionState::crashed("x"),
          SessionState::done(std::nullopt, std::nullopt, std::nullopt)}) {
        coordinator->reconcile({session("s2", state)}, true, phone(), reconcileTime);
    }
    coordinator->reconcile({running("s3")}, true, std::nullopt, reconcileTime);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(fake_.requests().empty());
    EXPECT_EQ(coordinator->report(), "No Live Activity yet");

    coordinator->reconcile({running("s1")}, true, phone(std::nullopt), reconcileTime);
    EXPECT_EQ(coordinator->report(), "The phone hasn't shared a Live Activity token yet");

    fake_.script("channel", json::Json::array({channelMade("chan-0")}));
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime);
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime);
    ASSERT_TRUE(settle());
    EXPECT_EQ(requestLines(), (std::vector<std::string>{"POST channel <absent>", "POST production <absent>"}));
    EXPECT_EQ(coordinator->active().at("s1").channelID, "chan-0");
}

TEST_F(LiveActivityLifecycle, AStartRefusedForGoodDeletesItsChannelAndWaitsForANewRecordOrFiveMinutes) {
    auto coordinator = make();
    fake_.script("channel", json::Json::array({channelMade("chan-0")}));
    fake_.script("production", json::Json::array({FakeApns::answer(410, R"({"reason":"Unregistered"})")}));
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime);
    ASSERT_TRUE(settle());
    EXPECT_EQ(requestLines(),
              (std::vector<std::string>{"POST channel <absent>", "POST production <absent>", "DELETE channel chan-0"}));
    EXPECT_EQ(coordinator->report(), "Live Activity start failed: Apple refused the push: 410 Unregistered");
    EXPECT_TRUE(coordinator->active().empty());
    EXPECT_TRUE(coordinator->createdChannels().empty());
    fake_.reset();

    // The next ticks leave the same token alone.
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime.adding(5));
    coordinator->reconcile({running("s2")}, true, phone(), reconcileTime.adding(299));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(fake_.requests().empty());

    // A new phone record is tried at once.
    PhoneDevice renewed = phone();
    renewed.updatedAt = renewed.updatedAt.adding(60);
    fake_.script("channel", json::Json::array({channelMade("chan-1")}));
    coordinator->reconcile({running("s1")}, true, renewed, reconcileTime.adding(10));
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->active().at("s1").channelID, "chan-1");
}

TEST_F(LiveActivityLifecycle, AfterFiveMinutesARefusedStartIsTriedAgain) {
    auto coordinator = make();
    fake_.script("channel", json::Json::array({FakeApns::answer(403, R"({"reason":"TopicDisallowed"})")}));
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime);
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->report(), "Live Activity start failed: Apple refused the push: 403 TopicDisallowed");
    fake_.reset();

    fake_.script("channel", json::Json::array({channelMade("chan-1")}));
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime.adding(300));
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->active().count("s1"), 1u);
}

TEST_F(LiveActivityLifecycle, PassingTroubleIsRetriedOnTheNextReconcileAndStillCleansUpItsChannel) {
    auto coordinator = make();
    fake_.script("channel", json::Json::array({channelMade("chan-0")}));
    json::Json broken = json::Json::object();
    broken["reset"] = true;
    fake_.script("production", json::Json::array({broken}));
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime);
    ASSERT_TRUE(settle());
    EXPECT_EQ(requestLines().back(), "DELETE channel chan-0");
    EXPECT_EQ(coordinator->report().rfind("Live Activity start failed: ", 0), 0u);
    EXPECT_TRUE(coordinator->createdChannels().empty());
    EXPECT_TRUE(coordinator->active().empty());

    // A channel answer without its identifier: nothing to push to, nothing to delete.
    fake_.script("channel", json::Json::array({FakeApns::answer(201)}));
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime.adding(5));
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->report(), "Live Activity start failed: Apple refused the push: 201 no channel id");
    EXPECT_EQ(fake_.requests().size(), 4u);
}

TEST_F(LiveActivityLifecycle, ATokenThatIsNotHexadecimalIsRefusedWithoutARequest) {
    auto coordinator = make();
    testing::LogCapture log;
    coordinator->reconcile({running("s1")}, true, phone("../../1/apps/x"), reconcileTime);
    coordinator->reconcile({running("s1")}, true, phone("../../1/apps/x"), reconcileTime.adding(5));
    ASSERT_TRUE(settle());
    EXPECT_TRUE(fake_.requests().empty());
    EXPECT_EQ(coordinator->report(),
              "Live Activity start failed: The phone's Live Activity token is not hexadecimal text.");
    EXPECT_EQ(log.lines().size(), 1u);

    // Spaces around it and capitals are the phone's writing, not a bad token.
    fake_.script("channel", json::Json::array({channelMade("chan-0")}));
    coordinator->reconcile({running("s1")}, true, phone(" " + testing::pushToStartToken.substr(0, 8) + "AB\n"),
                           reconcileTime.adding(301));
    ASSERT_TRUE(settle());
    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].path, "/3/device/" + testing::pushToStartToken.substr(0, 8) + "ab");
}

TEST_F(LiveActivityLifecycle, AFailedUpdateKeepsTheOldStateSoTheNextReconcileSendsItAgain) {
    auto coordinator = make();
    start(*coordinator, {"s1"});
    const QuorvelLiveState before = coordinator->active().at("s1").lastState;
    fake_.script("production", json::Json::array({FakeApns::answer(500)}));
    fake_.script("broadcast", json::Json::array({FakeApns::answer(503, R"({"reason":"ServiceUnavailable"})")}));
    const Session waiting = session("s1", SessionState::needsYou("Allow?"));
    coordinator->reconcile({waiting}, false, std::nullopt, reconcileTime);
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->report(), "Live Activity update failed: Apple refused the push: 503 ServiceUnavailable");
    EXPECT_EQ(coordinator->active().at("s1").lastState, before);
    fake_.reset();

    coordinator->reconcile({waiting}, false, std::nullopt, reconcileTime.adding(5));
    ASSERT_TRUE(settle());
    ASSERT_EQ(fake_.requests().size(), 1u);
    EXPECT_EQ(coordinator->active().at("s1").lastState, QuorvelLiveState::of(waiting, reconcileTime));
}

TEST_F(LiveActivityLifecycle, AFailedEndKeepsItsChannelForTheNextLaunchsCleanUp) {
    std::string channel;
    {
        auto coordinator = make();
        channel = start(*coordinator, {"s1"}).at("s1");
        fake_.script("production", json::Json::array({FakeApns::answer(500)}));
        fake_.script("broadcast", json::Json::array({FakeApns::answer(500)}));
        coordinator->reconcile({}, false, std::nullopt, reconcileTime);
        ASSERT_TRUE(settle());
        EXPECT_EQ(coordinator->report(), "Live Activity end failed: Apple refused the push: 500 ");
        EXPECT_EQ(requestLines().size(), 2u);
        fake_.reset();
    }
    auto relaunched = make();
    EXPECT_TRUE(relaunched->active().empty());
    fake_.script("channel", json::Json::array({FakeApns::answer(200, R"({"channels":[")" + channel + R"("]})")}));
    relaunched->cleanUpOrphanChannels();
    ASSERT_TRUE(settle());
    EXPECT_EQ(requestLines(), (std::vector<std::string>{"GET channel <absent>", "DELETE channel " + channel}));
    EXPECT_TRUE(relaunched->createdChannels().empty());
}

TEST_F(LiveActivityLifecycle, TheTableSurvivesARestartAndARestoredActivityWaitsForItsSession) {
    {
        auto coordinator = make();
        start(*coordinator, {"s1", "s2"});
    }
    auto relaunched = make();
    ASSERT_EQ(relaunched->active().size(), 2u);

    // Right after the restart the state machine knows nothing yet.
    relaunched->reconcile({}, false, std::nullopt, reconcileTime.adding(100));
    // s2 comes back and is followed as before; s1 is still waited for.
    relaunched->reconcile({session("s2", SessionState::needsYou("Allow?"))}, false, std::nullopt,
                          reconcileTime.adding(1000));
    ASSERT_TRUE(settle());
    EXPECT_EQ(relaunched->active().size(), 2u);
    EXPECT_EQ(requestLines().size(), 1u);
    fake_.reset();

    // Once the stale time has passed without a sign of it, s1 counts as vanished.
    relaunched->reconcile({session("s2", SessionState::needsYou("Allow?"))}, false, std::nullopt,
                          reconcileTime.adding(1900));
    ASSERT_TRUE(settle());
    EXPECT_EQ(relaunched->active().count("s1"), 0u);
    EXPECT_EQ(relaunched->active().count("s2"), 1u);
    EXPECT_EQ(relaunched->report(), "Live Activity ended with done " + clock(reconcileTime.adding(1900)));

    // A seen session has no grace left: gone means gone.
    relaunched->reconcile({}, false, std::nullopt, reconcileTime.adding(1905));
    EXPECT_TRUE(relaunched->active().empty());
    ASSERT_TRUE(settle());
}

TEST_F(LiveActivityLifecycle, AClockSetBackDuringTheGraceStartsTheWaitAgain) {
    {
        auto coordinator = make();
        start(*coordinator, {"s1"});
    }
    auto relaunched = make();
    relaunched->reconcile({}, false, std::nullopt, reconcileTime.adding(100));
    // The time is corrected backwards just after login.
    relaunched->reconcile({}, false, std::nullopt, reconcileTime.adding(40));
    relaunched->reconcile({}, false, std::nullopt, reconcileTime.adding(1830));
    ASSERT_TRUE(settle());
    EXPECT_EQ(relaunched->active().count("s1"), 1u);
    EXPECT_TRUE(fake_.requests().empty());

    relaunched->reconcile({}, false, std::nullopt, reconcileTime.adding(1840));
    EXPECT_TRUE(relaunched->active().empty());
    ASSERT_TRUE(settle());
    EXPECT_EQ(relaunched->report(), "Live Activity ended with done " + clock(reconcileTime.adding(1840)));
}

TEST_F(LiveActivityLifecycle, UnreadableStoredTableIsForgottenWithALogLine) {
    defaults_->setJson("liveActivitiesActive", json::parse(R"({"s1":{"channelID":3}})"));
    testing::LogCapture log;
    auto coordinator = make();
    EXPECT_TRUE(coordinator->active().empty());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(
        log.lines()[0].rfind("error com.tessaloom.quorvel.mac [LiveActivity] Forgot the active Live Activities: ", 0),
        0u);
    EXPECT_TRUE(defaults_->jsonValue("liveActivitiesActive").has_value());
}

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

}  // namespace
}  // namespace quorvel
