#pragma once
// How long the computer slept between two readings: through a suspend the wall clock runs on
// while the awake clock stands still, so the wall clock's advance less the awake clock's is
// the time asleep. A wall clock set forward by hand looks the same and counts as sleep too;
// one set back counts as none. One thread.
#include <memory>
#include <optional>

#include "platform/time/Instant.hpp"

namespace quorvel {

class SleepMeter {
public:
    /// Less than this between the two advances is the wall clock slewed by NTP or the time
    /// between the two reads, not a suspend (seconds).
    static constexpr double leastSleepSeconds = 1.0;

    /// Reads `clock` once to start from; `clock` must not be null.
    explicit SleepMeter(std::shared_ptr<const Clock> clock);

    /// Seconds asleep since the last reading (the first: since the meter was made); 0 for a
    /// clock without an awake clock.
    double asleepSinceLastReading();

private:
    std::shared_ptr<const Clock> clock_;
    Instant wallAt_;
    std::optional<double> awakeAt_;
};

}  // namespace quorvel
