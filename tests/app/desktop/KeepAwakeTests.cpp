#include "app/desktop/KeepAwake.hpp"

#include <gtest/gtest.h>

#include "tests/support/DesktopServiceLog.hpp"

namespace quorvel {
namespace {

using testing::DesktopServiceLog;

struct Holds {
    int taken = 0;
    int kept = 0;
    std::vector<std::string> reasons;
    std::optional<std::string> failure;
};

class FakeSleepInhibitor final : public SleepInhibitor {
public:
    explicit FakeSleepInhibitor(Holds& holds) : holds_(holds) {}

    Expected<std::unique_ptr<Hold>, DesktopError> hold(std::string_view reason) override {
        holds_.reasons.emplace_back(reason);
        if (holds_.failure) return unexpected(DesktopError{*holds_.failure});
        ++holds_.taken;
        return std::unique_ptr<Hold>(std::make_unique<CountedHold>(holds_));
    }

private:
    class CountedHold final : public Hold {
    public:
        explicit CountedHold(Holds& holds) : holds_(holds) { ++holds_.kept; }
        ~CountedHold() override { --holds_.kept; }

    private:
        Holds& holds_;
    };

    Holds& holds_;
};

class KeepAwakeTest : public ::testing::Test {
protected:
    DesktopServiceLog log;
    Holds holds;
    KeepAwake keepAwake{std::make_unique<FakeSleepInhibitor>(holds)};
};

TEST_F(KeepAwakeTest, HoldsOnceWhileBusyAndReleasesOnceAfter) {
    keepAwake.set(true);
    keepAwake.set(true);
    EXPECT_EQ(holds.taken, 1);
    EXPECT_EQ(holds.kept, 1);
    EXPECT_TRUE(keepAwake.holding());
    EXPECT_EQ(holds.reasons, (std::vector<std::string>{"Claude Code run in progress"}));

    keepAwake.set(false);
    keepAwake.set(false);
    EXPECT_EQ(holds.kept, 0);
    EXPECT_FALSE(keepAwake.holding());
    EXPECT_EQ(log.lines("KeepAwake"), (std::vector<std::string>{"info Keeping the computer awake", "info Letting the computer sleep again"}));
}

TEST_F(KeepAwakeTest, ReleasingWhenNothingIsHeldDoesNothing) {
    keepAwake.set(false);
    EXPECT_EQ(holds.reasons.size(), 0u);
    EXPECT_TRUE(log.lines("KeepAwake").empty());
}

TEST_F(KeepAwakeTest, WithoutTheSystemsHelpItSaysSoOnceAndCarriesOn) {
    holds.failure = "No D-Bus system bus";
    for (int tick = 0; tick < 3; ++tick) keepAwake.set(true);
    EXPECT_FALSE(keepAwake.holding());
    keepAwake.set(false);

    holds.failure.reset();
    keepAwake.set(true);
    EXPECT_TRUE(keepAwake.holding());
    EXPECT_EQ(log.lines("KeepAwake"), (std::vector<std::string>{
                                          "error Couldn't keep the computer awake: No D-Bus system bus",
                                          "info Keeping the computer awake",
                                      }));
}

TEST(KeepAwakeLifetimeTest, AHoldEndsWithTheService) {
    Holds holds;
    {
        KeepAwake keepAwake(std::make_unique<FakeSleepInhibitor>(holds));
        keepAwake.set(true);
        EXPECT_EQ(holds.kept, 1);
    }
    EXPECT_EQ(holds.kept, 0);
}

}  // namespace
}  // namespace quorvel
