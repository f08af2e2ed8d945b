#include "platform/time/SleepMeter.hpp"

#include <cmath>
#include <utility>

namespace quorvel {

SleepMeter::SleepMeter(std::shared_ptr<const Clock> clock)
    : clock_(std::move(clock)), wallAt_(clock_->now()), awakeAt_(clock_->awakeSeconds()) {}

double SleepMeter::asleepSinceLastReading() {
    const Instant wall = clock_->now();
    const std::optional<double> awake = clock_->awakeSeconds();
    double asleep = 0;
    if (awake && awakeAt_) {
        const double gap = wall.secondsSince(wallAt_) - (*awake - *awakeAt_);
        if (std::isfinite(gap) && gap >= leastSleepSeconds) asleep = gap;
    }
    wallAt_ = wall;
    awakeAt_ = awake;
    return asleep;
}

}  // namespace quorvel
