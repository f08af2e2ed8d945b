#include "app/delivery/UpdateRetryBackoff.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace quorvel {
namespace {

const Instant failedAt = Instant::fromUnixSeconds(1700000000);

QuorvelLiveState state(const std::string& name) {
    QuorvelLiveState live;
    live.state = name;
    live.title = "Fix the build";
    return live;
}

// The seconds after its last failure that the same update still waits.
double waitAfter(const UpdateRetryBackoff& backoff, const QuorvelLiveState& live, Instant at) {
    double waited = 0;
    while (backoff.waits("s1", live, at.adding(waited))) ++waited;
    return waited;
}

TEST(UpdateRetryBackoff, TheSameStateWaitsTenSecondsDoublingUpToFiveMinutes) {
    UpdateRetryBackoff backoff;
    const QuorvelLiveState live = state("needsYou");
    EXPECT_FALSE(backoff.waits("s1", live, failedAt));

    std::vector<double> waits;
    Instant at = failedAt;
    for (int failure = 0; failure < 7; ++failure) {
        backoff.failed("s1", live, at);
        waits.push_back(waitAfter(backoff, live, at));
        at = at.adding(waits.back());
    }
    EXPECT_EQ(waits, (std::vector<double>{10, 20, 40, 80, 160, 300, 300}));

    // A success forgets the failures: the next one waits ten seconds again.
    backoff.forget("s1");
    EXPECT_FALSE(backoff.waits("s1", live, at));
    backoff.failed("s1", live, at);
    EXPECT_EQ(waitAfter(backoff, live, at), 10);
}

TEST(UpdateRetryBackoff, AnotherStateOrSessionGoesAtOnceAndAClockSetBackEndsTheWait) {
    UpdateRetryBackoff backoff;
    backoff.failed("s1", state("needsYou"), failedAt);
    EXPECT_TRUE(backoff.waits("s1", state("needsYou"), failedAt.adding(5)));
    EXPECT_FALSE(backoff.waits("s1", state("broke"), failedAt.adding(5)));
    EXPECT_FALSE(backoff.waits("s2", state("needsYou"), failedAt.adding(5)));
    EXPECT_FALSE(backoff.waits("s1", state("needsYou"), failedAt.adding(-1)));
}

}  // namespace
}  // namespace quorvel
