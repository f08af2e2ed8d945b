#include "platform/time/Instant.hpp"

#include <gtest/gtest.h>

#include "platform/json/JsonCoding.hpp"

namespace quorvel {
namespace {

TEST(Instant, ReferenceDateIs2001InUnixSeconds) {
    EXPECT_DOUBLE_EQ(Instant::referenceDate().unixSeconds(), 978307200.0);
    EXPECT_DOUBLE_EQ(Instant::referenceDate().referenceSeconds(), 0.0);
    // 2024-01-01 00:00 UTC
    const Instant newYear = Instant::fromUnixSeconds(1704067200.0);
    EXPECT_DOUBLE_EQ(newYear.referenceSeconds(), 725760000.0);
    EXPECT_EQ(Instant::fromReferenceSeconds(725760000.0), newYear);
}

TEST(Instant, NowIsAfter2020AndReadsAsBothEpochs) {
    const Instant now = Instant::now();
    EXPECT_GT(now.unixSeconds(), 1577836800.0);
    EXPECT_NEAR(now.unixSeconds() - now.referenceSeconds(), 978307200.0, 1e-6);
}

TEST(Instant, ArithmeticAndOrder) {
    const Instant start = Instant::fromUnixSeconds(100);
    const Instant later = start.adding(2.5);
    EXPECT_DOUBLE_EQ(later.secondsSince(start), 2.5);
    EXPECT_DOUBLE_EQ(start.secondsSince(later), -2.5);
    EXPECT_LT(start, later);
}

TEST(Instant, PersistedDatesCountFrom2001) {
    const Instant newYear = Instant::fromUnixSeconds(1704067200.0);
    json::Json object = json::Json::object();
    object["at"] = json::referenceDate(newYear);
    EXPECT_EQ(json::dump(object), R"({"at":725760000.0})");
    EXPECT_EQ(json::requireReferenceDate(object, "at"), newYear);
    EXPECT_EQ(json::requireReferenceDate(json::parse(R"({"at":0})"), "at"), Instant::referenceDate());
}

}  // namespace
}  // namespace quorvel
