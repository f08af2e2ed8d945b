#include "tests/app/delivery/LiveActivityTestbed.hpp"

namespace quorvel {
namespace {

using testing::channelMade;
using testing::FakeApns;
using testing::LiveActivityTestbed;
using testing::pushToStartToken;
using testing::reconcileTime;

class LiveActivityRequests : public LiveActivityTestbed {};

const std::string channelPath = "/1/apps/com.tessaloom.quorvel/channels";
const std::string broadcastPath = "/4/broadcasts/apps/com.tessaloom.quorvel";
// The client's clock when the requests go out: two seconds after the reconcile.
const std::string expiration = std::to_string(1700000502 + 28800);

TEST_F(LiveActivityRequests, StartMakesAChannelThenPushesTheStartPayloadToTheToken) {
    auto coordinator = make();
    fake_.script("channel", json::Json::array({channelMade("channel-0123456789")}));
    testing::LogCapture log;
    coordinator->reconcile({running("session-0123456789")}, true, phone(), reconcileTime);
    ASSERT_TRUE(settle());

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].server, "channel");
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].path, channelPath);
    EXPECT_EQ(requests[0].body, R"({"message-storage-policy": 1, "push-type": "LiveActivity"})");

    const QuorvelLiveState live = QuorvelLiveState::of(running("session-0123456789"), reconcileTime);
    EXPECT_EQ(requests[1].server, "production");
    EXPECT_EQ(requests[1].path, "/3/device/" + pushToStartToken);
    EXPECT_EQ(requests[1].header("apns-push-type"), "liveactivity");
    EXPECT_EQ(requests[1].header("apns-topic"), "com.tessaloom.quorvel.push-type.liveactivity");
    EXPECT_EQ(requests[1].body,
              PushPayloads::liveActivityStart(live, "session-0123456789", "channel-0123456789", "GRINDING.",
                                              "Fix the build", reconcileTime, reconcileTime.adding(28800))
                  .value());

    EXPECT_EQ(coordinator->report(), "Live Activity started " + clock());
    const APNsLiveActivityCoordinator::Active entry{"channel-0123456789", live};
    EXPECT_EQ(coordinator->active().at("session-0123456789"), entry);
    json::Json stored = json::Json::object();
    stored["session-0123456789"] = entry.encode();
    EXPECT_EQ(defaults_->jsonValue("liveActivitiesActive"), stored);
    EXPECT_EQ(log.lines().back(),
              "info com.tessaloom.quorvel.mac [LiveActivity] Started Live Activity for session-… on channel channel-…");
}

TEST_F(LiveActivityRequests, UpdatesBroadcastEachNewStateWithItsPriorityAndNothingWhenUnchanged) {
    auto coordinator = make();
    start(*coordinator, {"s1"});
    const quorvel::Run run = *running("s1").run;

    struct Step {
        SessionState state;
        const char* priority;
    };
    for (const Step& step : {Step{SessionState::longRun(run), "5"}, Step{SessionState::needsYou("Allow rm?"), "10"},
                             Step{SessionState::broke("npm test", 1), "5"}}) {
        const Session session = LiveActivityTestbed::session("s1", step.state);
        coordinator->reconcile({session}, false, std::nullopt, reconcileTime);
        coordinator->reconcile({session}, false, std::nullopt, reconcileTime);
        ASSERT_TRUE(settle());

        const auto requests = fake_.requests();
        ASSERT_EQ(requests.size(), 1u) << step.priority;
        const QuorvelLiveState live = QuorvelLiveState::of(session, reconcileTime);
        EXPECT_EQ(requests[0].server, "production");
        EXPECT_EQ(requests[0].path, broadcastPath);
        EXPECT_EQ(requests[0].header("apns-channel-id"), "chan-0");
        EXPECT_EQ(requests[0].header("apns-priority"), step.priority);
        EXPECT_EQ(requests[0].header("apns-expiration"), expiration);
        EXPECT_EQ(requests[0].body,
                  PushPayloads::liveActivityUpdate(live, reconcileTime, reconcileTime.adding(28800)).value());
        EXPECT_EQ(coordinator->active().at("s1").lastState, live);
        EXPECT_EQ(coordinator->report(), "Live Activity updated to " + live.state + " " + clock());
        fake_.reset();
    }
}

TEST_F(LiveActivityRequests, EndBroadcastsTheFinalStateThenDeletesTheChannel) {
    auto coordinator = make();
    start(*coordinator, {"s1"});
    const Session done = session("s1", SessionState::done(std::nullopt, 95.0, std::nullopt));
    coordinator->reconcile({done}, false, std::nullopt, reconcileTime);
    // Out of the table before the end goes out.
    EXPECT_TRUE(coordinator->active().empty());
    EXPECT_EQ(defaults_->jsonValue("liveActivitiesActive"), json::Json::object());
    ASSERT_TRUE(settle());

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 2u);
    const QuorvelLiveState live = QuorvelLiveState::of(done, reconcileTime);
    EXPECT_EQ(requests[0].path, broadcastPath);
    EXPECT_EQ(requests[0].header("apns-priority"), "10");
    EXPECT_EQ(requests[0].header("apns-expiration"), expiration);
    EXPECT_EQ(requests[0].body, PushPayloads::liveActivityEnd(live, reconcileTime, reconcileTime.adding(900)).value());
    EXPECT_EQ(requests[1].server, "channel");
    EXPECT_EQ(requests[1].method, "DELETE");
    EXPECT_EQ(requests[1].path, channelPath);
    EXPECT_EQ(requests[1].header("apns-channel-id"), "chan-0");
    EXPECT_EQ(coordinator->report(), "Live Activity ended with done " + clock());
    EXPECT_TRUE(coordinator->createdChannels().empty());
}

TEST_F(LiveActivityRequests, CrashedIdleAndVanishedSessionsEndTheirActivities) {
    auto coordinator = make();
    auto channels = start(*coordinator, {"crash", "idle", "gone"});
    coordinator->reconcile(
        {session("crash", SessionState::crashed("Out of memory")), session("idle", SessionState::idle())}, false,
        std::nullopt, reconcileTime.adding(60));
    EXPECT_TRUE(coordinator->active().empty());
    ASSERT_TRUE(settle());

    std::map<std::string, json::Json> endStates;
    for (const auto& request : fake_.requests()) {
        if (request.path == broadcastPath) {
            endStates[request.header("apns-channel-id")] = json::parse(request.body).at("aps").at("content-state");
        }
    }
    ASSERT_EQ(endStates.size(), 3u);
    EXPECT_EQ(endStates[channels["crash"]].at("state"), "crashed");
    EXPECT_EQ(endStates[channels["idle"]].at("state"), "idle");
    // The vanished one ends as done with what it last showed, at the time of the reconcile.
    const QuorvelLiveState last = QuorvelLiveState::of(running("gone"), reconcileTime);
    EXPECT_EQ(QuorvelLiveState::decode(endStates[channels["gone"]]),
              (QuorvelLiveState{"done", last.title, last.startedAtUnix, reconcileTime.adding(60).unixSeconds(),
                                std::nullopt, std::nullopt}));
}

TEST_F(LiveActivityRequests, AnEmptySessionListEndsEveryActivity) {
    auto coordinator = make();
    start(*coordinator, {"a", "b"});
    coordinator->reconcile({}, false, std::nullopt, reconcileTime);
    EXPECT_TRUE(coordinator->active().empty());
    ASSERT_TRUE(settle());
    int deletions = 0;
    for (const auto& request : fake_.requests()) deletions += request.method == "DELETE" ? 1 : 0;
    EXPECT_EQ(deletions, 2);
}

TEST_F(LiveActivityRequests, OneSessionsUpdateAndEndGoOutInTheOrderAskedFor) {
    auto coordinator = make();
    start(*coordinator, {"s1"});
    // Apple takes its time over the update; the end must still come after it.
    fake_.script("production", json::Json::array({[] {
                     json::Json slow = FakeApns::answer(200);
                     slow["delay"] = 400;
                     return slow;
                 }()}));
    coordinator->reconcile({session("s1", SessionState::needsYou("Allow?"))}, false, std::nullopt, reconcileTime);
    coordinator->reconcile({}, false, std::nullopt, reconcileTime);
    ASSERT_TRUE(settle());

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(json::parse(requests[0].body).at("aps").at("event"), "update");
    EXPECT_EQ(json::parse(requests[1].body).at("aps").at("event"), "end");
    EXPECT_GE(requests[1].receivedAt - requests[0].receivedAt, 400);
    EXPECT_EQ(requests[2].method, "DELETE");
    EXPECT_EQ(coordinator->report(), "Live Activity ended with done " + clock());
}

TEST_F(LiveActivityRequests, ThroughTheRelayEveryStepIsAnEnvelope) {
    useRelay();
    auto coordinator = make();
    json::Json channelAnswer = json::Json::object();
    channelAnswer["status"] = 200;
    channelAnswer["channelID"] = "relay-chan";
    fake_.script("relay", json::Json::array({FakeApns::answer(200, json::dump(channelAnswer))}));
    coordinator->reconcile({running("s1")}, true, phone(), reconcileTime);
    ASSERT_TRUE(settle());
    ASSERT_EQ(coordinator->active().at("s1").channelID, "relay-chan");
    coordinator->reconcile({session("s1", SessionState::needsYou("Allow?"))}, true, phone(), reconcileTime);
    coordinator->reconcile({}, true, phone(), reconcileTime);
    ASSERT_TRUE(settle());

    const auto requests = fake_.requests();
    ASSERT_EQ(requests.size(), 5u);
    std::vector<std::string> steps;
    for (const auto& request : requests) {
        EXPECT_EQ(request.server, "relay");
        EXPECT_EQ(request.header("authorization"), "Bearer relay-key");
        const json::Json envelope = json::parse(request.body);
        steps.push_back(envelope.at("target").get<std::string>() + " " + envelope.at("method").get<std::string>() +
                        " " + envelope.at("path").get<std::string>());
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"channel POST " + channelPath, "push POST /3/device/" + pushToStartToken,
                                               "broadcast POST " + broadcastPath, "broadcast POST " + broadcastPath,
                                               "channel DELETE " + channelPath}));
    const json::Json update = json::parse(requests[2].body);
    EXPECT_EQ(update.at("headers").at("apns-channel-id"), "relay-chan");
    EXPECT_EQ(update.at("headers").at("apns-priority"), "10");
    EXPECT_EQ(update.at("headers").at("apns-expiration"), expiration);
    EXPECT_EQ(json::parse(base64::decode(update.at("body").get<std::string>()).value()).at("aps").at("event"),
              "update");
    EXPECT_EQ(json::parse(requests[4].body).at("headers").at("apns-channel-id"), "relay-chan");
}

}  // namespace
}  // namespace quorvel
