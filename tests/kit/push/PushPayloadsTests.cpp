#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kit/push/OutgoingPushPayload.hpp"
#include "kit/push/PushPayloads.hpp"

namespace quorvel {
namespace {

OutgoingPush fullPush() {
    return OutgoingPush{Alert::Kind::needsYou,
                        "session-1",
                        "OI. NEEDS YOU.",
                        "wants a/b",
                        std::string("alarm.caf"),
                        PushPayloads::InterruptionLevel::timeSensitive,
                        Instant::fromUnixSeconds(1700000000.9),
                        std::string("web/app"),
                        std::string("Fix the build"),
                        59.9};
}

TEST(AlertPayload, FullPushHasSortedKeysWholeSecondsAndUnescapedSlashes) {
    auto bytes = payload(fullPush());
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes.value(),
              R"({"aps":{"alert":{"body":"wants a/b","title":"OI. NEEDS YOU."},"interruption-level":"time-sensitive",)"
              R"("mutable-content":1,"sound":"alarm.caf","thread-id":"session-1"},"quorvel":{"run":{"duration":59,)"
              R"("project":"web/app","title":"Fix the build"},"session":"session-1","state":"needsYou",)"
              R"("timestamp":1700000000}})");
}

TEST(AlertPayload, SilentPushWithoutRunHasNeitherSoundNorRunAndKeepsEmptyBody) {
    OutgoingPush push = fullPush();
    push.kind = Alert::Kind::done;
    push.sound.reset();
    push.interruptionLevel = PushPayloads::InterruptionLevel::passive;
    push.body = "";
    push.project.reset();
    push.runTitle.reset();
    push.duration.reset();
    auto bytes = payload(push);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes.value(),
              R"({"aps":{"alert":{"body":"","title":"OI. NEEDS YOU."},"interruption-level":"passive",)"
              R"("mutable-content":1,"thread-id":"session-1"},"quorvel":{"session":"session-1","state":"done",)"
              R"("timestamp":1700000000}})");
}

TEST(AlertPayload, RunHoldsOnlyTheFieldsThatArePresent) {
    OutgoingPush push = fullPush();
    push.project.reset();
    push.runTitle.reset();
    push.duration = 0.4;
    auto bytes = payload(push);
    ASSERT_TRUE(bytes);
    EXPECT_NE(bytes.value().find(R"("run":{"duration":0})"), std::string::npos) << bytes.value();
}

TEST(AlertPayload, LimitIsInclusive) {
    OutgoingPush push = fullPush();
    push.body = "";
    const std::size_t base = payload(push).value().size();
    push.body = std::string(PushPayloads::alertLimit - base, 'x');
    auto exact = payload(push);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact.value().size(), 4096u);

    push.body += "x";
    auto over = payload(push);
    ASSERT_FALSE(over);
    EXPECT_EQ(over.error(), PushPayloads::EncodeError(PushPayloads::TooLarge{4097, 4096}));
}

TEST(PushPayloadsEncode, SortsNestedKeysAndRefusesNumbersJsonCannotHold) {
    json::Json value = json::Json::object();
    value["b"] = json::Json::object({{"z", 1}, {"a", "x/y"}});
    value["a"] = json::Json::array({3, 2});
    auto text = PushPayloads::encode(value, 100);
    ASSERT_TRUE(text);
    EXPECT_EQ(text.value(), R"({"a":[3,2],"b":{"a":"x/y","z":1}})");

    json::Json notFinite = json::Json::object();
    notFinite["n"] = std::numeric_limits<double>::quiet_NaN();
    auto refused = PushPayloads::encode(notFinite, 100);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(std::holds_alternative<PushPayloads::EncodingFailed>(refused.error()));
}

TEST(PushPayloadsEncode, WholeSecondsAreCutTowardZeroAndGuarded) {
    struct Case {
        double seconds;
        std::int64_t expected;
    };
    const Case cases[] = {
        {59.9, 59},
        {-0.9, 0},
        {-1.5, -1},
        {std::nan(""), 0},
        {std::numeric_limits<double>::infinity(), std::numeric_limits<std::int64_t>::max()},
        {-std::numeric_limits<double>::infinity(), std::numeric_limits<std::int64_t>::min()},
        {1e300, std::numeric_limits<std::int64_t>::max()},
    };
    for (const Case& c : cases) EXPECT_EQ(PushPayloads::truncatedSeconds(c.seconds), c.expected) << c.seconds;
}

}  // namespace
}  // namespace quorvel
