// Reading `--render <target> <path>` from the raw command line, and a device target's sample
// name and frozen time.
#include <gtest/gtest.h>

#include "app/render/RenderRequest.hpp"

namespace quorvel {
namespace {

TEST(RenderRequest, TakesTheTwoArgumentsAfterTheFirstExactRenderOption) {
    EXPECT_EQ(RenderRequest::find({"--render", "device-done", "out.png"}), (RenderRequest{"device-done", "out.png"}));
    EXPECT_EQ(RenderRequest::find({"-x", "--render", "a", "b", "--render", "c", "d"}), (RenderRequest{"a", "b"}));
    // What follows is taken as it is, even when it looks like an option.
    EXPECT_EQ(RenderRequest::find({"--render", "--render", "-reverse"}), (RenderRequest{"--render", "-reverse"}));
    EXPECT_EQ(RenderRequest::find({"--render", "", ""}), (RenderRequest{"", ""}));

    EXPECT_EQ(RenderRequest::find({}), std::nullopt);
    EXPECT_EQ(RenderRequest::find({"--render"}), std::nullopt);
    EXPECT_EQ(RenderRequest::find({"--render", "device-done"}), std::nullopt);
    EXPECT_EQ(RenderRequest::find({"--render=device-done", "out.png", "x"}), std::nullopt);
    EXPECT_EQ(RenderRequest::find({"--render-sounds", "folder", "0.5"}), std::nullopt);

    const char* argv[] = {"--render", "--render", "t", "p", nullptr};
    // The program's own name is never an argument.
    EXPECT_EQ(RenderRequest::find(4, argv), (RenderRequest{"t", "p"}));
    EXPECT_EQ(RenderRequest::find(3, argv), std::nullopt);
}

TEST(DeviceSampleTarget, SplitsAtAtSignsDroppingEmptyPieces) {
    EXPECT_EQ(DeviceSampleTarget::parse("done"), (DeviceSampleTarget{"done", 60}));
    EXPECT_EQ(DeviceSampleTarget::parse("done@0.5"), (DeviceSampleTarget{"done", 0.5}));
    EXPECT_EQ(DeviceSampleTarget::parse("broke@@1.0@7"), (DeviceSampleTarget{"broke", 1.0}));
    EXPECT_EQ(DeviceSampleTarget::parse("@5"), (DeviceSampleTarget{"5", 60}));
    EXPECT_EQ(DeviceSampleTarget::parse("@done@2"), (DeviceSampleTarget{"done", 2}));
    EXPECT_EQ(DeviceSampleTarget::parse(""), std::nullopt);
    EXPECT_EQ(DeviceSampleTarget::parse("@"), std::nullopt);
    EXPECT_EQ(DeviceSampleTarget::parse("@@@"), std::nullopt);
}

TEST(DeviceSampleTarget, AFrozenTimeIsAWholeFiniteDecimalNumberOrSixtySeconds) {
    struct Case {
        const char* text;
        double seconds;
    } cases[] = {
        {"0.5", 0.5},  {".25", 0.25}, {"3", 3},       {"+2", 2},     {"-1", -1},    {"1e1", 10},
        {"soon", 60},  {"1,5", 60},   {" 1", 60},     {"1 ", 60},    {"0x10", 60},  {"+-1", 60},
        {"nan", 60},   {"inf", 60},   {"-inf", 60},   {"1e999", 60}, {"infinity", 60},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeviceSampleTarget::parse(std::string("done@") + c.text)->frozenAt, c.seconds) << c.text;
    }
}

}  // namespace
}  // namespace quorvel
