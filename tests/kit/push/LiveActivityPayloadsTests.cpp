#include <gtest/gtest.h>

#include <limits>
#include <unordered_set>

#include "kit/push/LiveActivityPayloads.hpp"
#include "kit/push/QuorvelLiveState.hpp"

namespace quorvel {
namespace {

const Instant now = Instant::fromUnixSeconds(1700000500.75);
const Instant runStart = Instant::fromUnixSeconds(1700000000.25);

Session sessionIn(SessionState state, bool withRun = true) {
    Session session;
    session.id = "s1";
    session.cwd = "/work/site";
    session.state = std::move(state);
    if (withRun) session.run = Run{runStart, "Fix the build"};
    session.lastEventAt = Instant::fromUnixSeconds(1700000300.5);
    return session;
}

TEST(QuorvelLiveStateOf, EachSessionStateGivesItsStateTimesAndDetail) {
    const quorvel::Run run{runStart, "Fix the build"};

    const QuorvelLiveState running = QuorvelLiveState::of(sessionIn(SessionState::running(run)), now);
    EXPECT_EQ(running, (QuorvelLiveState{"running", "Fix the build", 1700000000.25, std::nullopt, std::nullopt,
                                         std::string("site")}));
    EXPECT_EQ(QuorvelLiveState::of(sessionIn(SessionState::longRun(run)), now).state, "longRun");

    const QuorvelLiveState crashed = QuorvelLiveState::of(sessionIn(SessionState::crashed("Out of memory")), now);
    EXPECT_EQ(crashed.endedAtUnix, now.unixSeconds());
    EXPECT_EQ(crashed.detail, "Out of memory");

    const QuorvelLiveState idle = QuorvelLiveState::of(sessionIn(SessionState::idle()), now);
    EXPECT_EQ(idle.state, "idle");
    EXPECT_EQ(idle.endedAtUnix, now.unixSeconds());
    EXPECT_EQ(idle.detail, std::nullopt);

    const QuorvelLiveState broke = QuorvelLiveState::of(sessionIn(SessionState::broke("npm test", std::nullopt)), now);
    EXPECT_EQ(broke.detail, "npm test");
    EXPECT_FALSE(broke.isEnded());
    EXPECT_EQ(QuorvelLiveState::of(sessionIn(SessionState::broke("npm test", 2)), now).detail, "npm test · exit 2");
}

TEST(QuorvelLiveStateOf, DoneEndsAfterItsDurationOrNowAndTakesItsOwnTitle) {
    const QuorvelLiveState timed =
        QuorvelLiveState::of(sessionIn(SessionState::done(std::string("Shipped"), 95.0, std::string("note"))), now);
    EXPECT_EQ(timed.title, "Shipped");
    EXPECT_EQ(timed.endedAtUnix, 1700000095.25);
    EXPECT_EQ(timed.detail, "1m 35s");

    const QuorvelLiveState untimed =
        QuorvelLiveState::of(sessionIn(SessionState::done(std::nullopt, std::nullopt, std::nullopt)), now);
    EXPECT_EQ(untimed.title, "Fix the build");
    EXPECT_EQ(untimed.endedAtUnix, now.unixSeconds());
    EXPECT_EQ(untimed.detail, std::nullopt);
}

TEST(QuorvelLiveStateOf, WithoutARunTheTitleIsEmptyAndTheStartIsTheLastEvent) {
    Session session = sessionIn(SessionState::needsYou("Claude wants to run a/b"), false);
    session.cwd = "/";
    const QuorvelLiveState live = QuorvelLiveState::of(session, now);
    EXPECT_EQ(live.title, "");
    EXPECT_EQ(live.startedAtUnix, 1700000300.5);
    EXPECT_EQ(live.detail, "Claude wants to run a/b");
    EXPECT_EQ(live.project, std::nullopt);
    EXPECT_EQ(live.displayTitle(), "");
}

TEST(QuorvelLiveStateLook, FaceHeadlineAndFailureFollowTheStateExactly) {
    struct Case {
        const char* state;
        PixelArt::Face face;
        const char* headline;
        bool failure;
    };
    for (const Case& expected : {Case{"running", PixelArt::Face::working, "GRINDING.", false},
                                 Case{"longRun", PixelArt::Face::shocked, "STILL GRINDING.", false},
                                 Case{"needsYou", PixelArt::Face::shocked, "OI. NEEDS YOU.", false},
                                 Case{"done", PixelArt::Face::wink, "DONE. GO LOOK.", false},
                                 Case{"broke", PixelArt::Face::angry, "IT BROKE.", true},
                                 Case{"crashed", PixelArt::Face::dead, "CRASHED.", true},
                                 Case{"idle", PixelArt::Face::happy, "ALL QUIET.", false},
                                 Case{"Running", PixelArt::Face::happy, "ALL QUIET.", false}}) {
        QuorvelLiveState live;
        live.state = expected.state;
        EXPECT_EQ(live.face(), expected.face) << expected.state;
        EXPECT_EQ(live.headline(), expected.headline) << expected.state;
        EXPECT_EQ(live.isFailure(), expected.failure) << expected.state;
    }
    QuorvelLiveState untitled;
    untitled.project = "site";
    EXPECT_EQ(untitled.displayTitle(), "site");
}

TEST(QuorvelLiveStateJson, RoundTripsKeepsFractionsAndRequiresItsThreeFields) {
    const QuorvelLiveState live{"done", "t", 1700000000.25, 1700000095.0, std::string("1m 35s"), std::string("p")};
    EXPECT_EQ(json::dump(live.encode()),
              R"({"state":"done","title":"t","startedAtUnix":1700000000.25,"endedAtUnix":1700000095,)"
              R"("detail":"1m 35s","project":"p"})");
    EXPECT_EQ(QuorvelLiveState::decode(live.encode()), live);

    const QuorvelLiveState bare =
        QuorvelLiveState::decode(json::parse(R"({"state":"running","title":"","startedAtUnix":5})"));
    EXPECT_EQ(bare.detail, std::nullopt);
    EXPECT_EQ(bare.startedAtUnix, 5.0);
    EXPECT_THROW(QuorvelLiveState::decode(json::parse(R"({"state":"running","title":""})")), json::JsonDecodeError);

    QuorvelLiveState notFinite = live;
    notFinite.startedAtUnix = std::numeric_limits<double>::infinity();
    EXPECT_THROW(notFinite.encode(), json::JsonEncodeError);
}

TEST(QuorvelLiveStateJson, EqualityAndHashCoverEveryFieldAndAbsentDiffersFromEmpty) {
    const QuorvelLiveState live{"running", "t", 1, std::nullopt, std::nullopt, std::nullopt};
    QuorvelLiveState withEmptyDetail = live;
    withEmptyDetail.detail = "";
    EXPECT_NE(live, withEmptyDetail);
    const std::unordered_set<QuorvelLiveState> states{live, live, withEmptyDetail};
    EXPECT_EQ(states.size(), 2u);
}

TEST(LiveActivityPayloads, StartCarriesAttributesAlertChannelAndWholeSecondDates) {
    const QuorvelLiveState live{"running", "Fix a/b", 1700000000.25, std::nullopt, std::nullopt, std::string("site")};
    auto bytes = PushPayloads::liveActivityStart(live, "s1", "chan==", "GRINDING.", "Fix a/b", now, now.adding(28800));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(
        bytes.value(),
        R"({"aps":{"alert":{"body":"Fix a/b","title":"GRINDING."},"attributes":{"sessionID":"s1"},)"
        R"("attributes-type":"QuorvelAttributes","content-state":{"project":"site","startedAtUnix":1700000000.25,)"
        R"("state":"running","title":"Fix a/b"},"event":"start","input-push-channel":"chan==",)"
        R"("stale-date":1700029300,"timestamp":1700000500}})");
}

TEST(LiveActivityPayloads, UpdateAndEndHaveTheirDatesOnlyWhereTheyBelong) {
    const QuorvelLiveState live{"done", "", 1700000000.0, 1700000095.0, std::string("1m 35s"), std::nullopt};
    auto update = PushPayloads::liveActivityUpdate(live, now, std::nullopt);
    ASSERT_TRUE(update);
    EXPECT_EQ(update.value(),
              R"({"aps":{"content-state":{"detail":"1m 35s","endedAtUnix":1700000095,"startedAtUnix":1700000000,)"
              R"("state":"done","title":""},"event":"update","timestamp":1700000500}})");

    auto end = PushPayloads::liveActivityEnd(live, Instant::fromUnixSeconds(-1.5), now.adding(900));
    ASSERT_TRUE(end);
    const json::Json aps = json::parse(end.value()).at("aps");
    EXPECT_EQ(aps.at("event"), "end");
    EXPECT_EQ(aps.at("timestamp"), -1);
    EXPECT_EQ(aps.at("dismissal-date"), 1700001400);
    EXPECT_FALSE(aps.contains("stale-date"));
}

TEST(LiveActivityPayloads, TheLimitIsInclusiveAndAStateJsonCannotHoldIsRefused) {
    QuorvelLiveState live{"running", "", 1, std::nullopt, std::nullopt, std::nullopt};
    const std::size_t base = PushPayloads::liveActivityUpdate(live, now, std::nullopt).value().size();
    live.title = std::string(5120 - base, 'x');
    EXPECT_TRUE(PushPayloads::liveActivityUpdate(live, now, std::nullopt));
    live.title += "x";
    auto tooLarge = PushPayloads::liveActivityUpdate(live, now, std::nullopt);
    ASSERT_FALSE(tooLarge);
    EXPECT_EQ(tooLarge.error(), PushPayloads::EncodeError(PushPayloads::TooLarge{5121, 5120}));

    live.title = "";
    live.endedAtUnix = std::numeric_limits<double>::quiet_NaN();
    auto notFinite = PushPayloads::liveActivityEnd(live, now, now);
    ASSERT_FALSE(notFinite);
    EXPECT_TRUE(std::holds_alternative<PushPayloads::EncodingFailed>(notFinite.error()));
}

}  // namespace
}  // namespace quorvel
