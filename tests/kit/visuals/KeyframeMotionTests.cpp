#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kit/visuals/model/Easing.hpp"
#include "kit/visuals/model/Track.hpp"

namespace quorvel {
namespace {

struct EasingCase {
    Easing easing;
    double u;
    double expected;
};

TEST(Easing, MatchesTheBezierCurvesAndClampsOutsideTheSegment) {
    // Reference values of the three cubic curves, solved to high precision elsewhere.
    const EasingCase cases[] = {
        {Easing::easeInOut, 0.5, 0.5},
        {Easing::easeIn, 0.25, 0.0934646507},
        {Easing::easeIn, 0.5, 0.3153568126},
        {Easing::easeIn, 0.75, 0.6218618692},
        {Easing::easeOut, 0.25, 0.3781381308},
        {Easing::easeOut, 0.5, 0.6846431874},
        {Easing::easeOut, 0.75, 0.9065353493},
        {Easing::easeInOut, 0.25, 0.1291619310},
        {Easing::easeInOut, 0.75, 0.8708380690},
        {Easing::linear, 1.5, 1.5},
        {Easing::linear, -0.25, -0.25},
        {Easing::hold, 0.0, 0.0},
        {Easing::hold, 0.99, 0.0},
        {Easing::hold, 1.0, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(apply(c.easing, c.u), c.expected, 1e-5)
            << static_cast<int>(c.easing) << " at " << c.u;
    }
    for (Easing curve : {Easing::easeIn, Easing::easeOut, Easing::easeInOut}) {
        EXPECT_EQ(apply(curve, 0.0), 0.0);
        EXPECT_EQ(apply(curve, 1.0), 1.0);
        EXPECT_EQ(apply(curve, -0.5), 0.0);
        EXPECT_EQ(apply(curve, 1.5), 1.0);
    }
    EXPECT_LT(apply(Easing::easeIn, 0.5), 0.5);
    EXPECT_GT(apply(Easing::easeOut, 0.5), 0.5);
}

struct TrackCase {
    const char* name;
    std::vector<Keyframe> keys;
    double t;
    double expected;
};

TEST(Track, SamplesSegmentsHoldsEndsAndResolvesEqualTimes) {
    const TrackCase cases[] = {
        {"hold keeps its value", {{0, 0, Easing::hold}, {1, 10, Easing::linear}}, 0.99, 0},
        {"hold jumps at the next key", {{0, 0, Easing::hold}, {1, 10, Easing::linear}}, 1.0, 10},
        {"linear midpoint", {{0, 0, Easing::linear}, {2, 10, Easing::linear}}, 0.5, 2.5},
        {"before the first key", {{1, 4, Easing::linear}, {2, 10, Easing::linear}}, -3, 4},
        {"after the last key", {{1, 4, Easing::linear}, {2, 10, Easing::linear}}, 7, 10},
        {"single key", {{1, 4, Easing::linear}}, 0.5, 4},
        {"empty track", {}, 0.5, 0},
        {"equal times in the middle: the later one",
         {{0, 0, Easing::linear}, {1, 5, Easing::hold}, {1, 7, Easing::hold}, {2, 9, Easing::linear}},
         1.0,
         7},
        {"equal times at the start: the first one",
         {{0, 3, Easing::linear}, {0, 8, Easing::linear}, {1, 9, Easing::linear}},
         0.0,
         3},
        {"keys given out of order",
         {{2, 10, Easing::linear}, {0, 0, Easing::linear}, {1, 4, Easing::linear}},
         1.5,
         7},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(Track(c.keys).value(c.t), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace quorvel
