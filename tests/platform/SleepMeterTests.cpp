#include "platform/time/SleepMeter.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace quorvel {
namespace {

/// A wall clock and an awake clock the test moves on its own.
class TwoClocks final : public Clock {
public:
    Instant now() const override { return wall; }
    std::optional<double> awakeSeconds() const override { return awake; }

    Instant wall = Instant::fromUnixSeconds(1700000000);
    std::optional<double> awake = 1000.0;
};

TEST(SleepMeter, TellsASuspendFromTimeAwakeAndFromAClockSetBack) {
    auto clocks = std::make_shared<TwoClocks>();
    SleepMeter meter(clocks);
    struct Step {
        const char* what;
        double wallSeconds;
        double awakeSeconds;
        double asleep;
    };
    const Step steps[] = {
        {"a tick awake", 5, 5, 0},
        {"two hours with the lid closed", 7205, 5, 7200},
        {"the next tick counts from the last reading", 5, 5, 0},
        {"NTP slewing the wall clock", 5.3, 5, 0},
        {"the wall clock set back", -300, 5, 0},
        {"the wall clock set forward by hand", 600, 5, 595},
    };
    for (const Step& step : steps) {
        clocks->wall = clocks->wall.adding(step.wallSeconds);
        *clocks->awake += step.awakeSeconds;
        EXPECT_DOUBLE_EQ(meter.asleepSinceLastReading(), step.asleep) << step.what;
    }

    // A clock without an awake clock (a test's) is never asleep.
    clocks->awake.reset();
    clocks->wall = clocks->wall.adding(7200);
    EXPECT_EQ(meter.asleepSinceLastReading(), 0);
}


}  // namespace
}  // namespace quorvel
