#include <thread>

#include "tests/app/delivery/LiveActivityLifecycle.hpp"

namespace quorvel::testing {
namespace {

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

TEST_F(LiveActivityLifecycle, AFailingUpdateWaitsTenTwentyFortySecondsAndANewStateGoesAtOnce) {
    auto coordinator = make();
    start(*coordinator, {"s1"});
    const QuorvelLiveState before = coordinator->active().at("s1").lastState;
    // Four tries refused for passing reasons by both hosts; the fake accepts after that.
    json::Json unavailable = json::Json::array();
    json::Json tooMany = json::Json::array();
    for (int i = 0; i < 4; ++i) {
        unavailable.push_back(FakeApns::answer(500));
        tooMany.push_back(FakeApns::answer(429, R"({"reason":"TooManyRequests"})"));
    }
    fake_.script("production", unavailable);
    fake_.script("broadcast", tooMany);
    const Session waiting = session("s1", SessionState::needsYou("Allow?"));
    testing::LogCapture log;

    std::vector<double> tried;
    for (double second = 0; second <= 75; second += 5) {
        const std::size_t sent = fake_.requests().size();
        coordinator->reconcile({waiting}, false, std::nullopt, reconcileTime.adding(second));
        ASSERT_TRUE(settle());
        if (fake_.requests().size() > sent) tried.push_back(second);
    }
    EXPECT_EQ(tried, (std::vector<double>{0, 10, 30, 70}));
    EXPECT_EQ(fake_.requests().size(), 8u);
    EXPECT_EQ(coordinator->report(), "Live Activity update failed: Apple refused the push: 429 TooManyRequests");
    EXPECT_EQ(coordinator->active().at("s1").lastState, before);
    // The same failure is logged once, not on every try.
    std::size_t failureLines = 0;
    for (const auto& line : log.lines()) failureLines += line.find("Live Activity update failed") != std::string::npos;
    EXPECT_EQ(failureLines, 1u);

    // A change of state is sent at once, and its success ends the waiting.
    const Session broke = session("s1", SessionState::broke("npm test", 1));
    coordinator->reconcile({broke}, false, std::nullopt, reconcileTime.adding(80));
    ASSERT_TRUE(settle());
    EXPECT_EQ(fake_.requests().size(), 9u);
    EXPECT_EQ(coordinator->active().at("s1").lastState, QuorvelLiveState::of(broke, reconcileTime.adding(80)));
}

TEST_F(LiveActivityLifecycle, AnUpdateRefusedForGoodEndsTheActivityAndDeletesItsChannel) {
    auto coordinator = make();
    start(*coordinator, {"s1"});
    fake_.script("production", json::Json::array({FakeApns::answer(400, R"({"reason":"BadChannelId"})")}));
    fake_.script("broadcast", json::Json::array({FakeApns::answer(410, R"({"reason":"ChannelGone"})")}));
    const Session waiting = session("s1", SessionState::needsYou("Allow?"));
    coordinator->reconcile({waiting}, false, std::nullopt, reconcileTime);
    ASSERT_TRUE(settle());
    EXPECT_EQ(requestLines(), (std::vector<std::string>{"POST production chan-0", "POST broadcast chan-0",
                                                        "POST production chan-0", "DELETE channel chan-0"}));
    EXPECT_TRUE(coordinator->active().empty());
    EXPECT_TRUE(coordinator->createdChannels().empty());
    EXPECT_TRUE(coordinator->pendingEnds().empty());
    EXPECT_EQ(coordinator->report(), "Live Activity ended with needsYou " + clock());
    fake_.reset();

    // While the user is away the session gets a new activity on a new channel.
    fake_.script("channel", json::Json::array({channelMade("chan-1")}));
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime.adding(5));
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->active().at("s1").channelID, "chan-1");
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

}  // namespace
}  // namespace quorvel::testing
