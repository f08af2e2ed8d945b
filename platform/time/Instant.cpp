#include "platform/time/Instant.hpp"

#include <ctime>

namespace quorvel {

Instant Instant::now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return fromUnixSeconds(static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9);
}

std::optional<double> SystemClock::awakeSeconds() const {
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return std::nullopt;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace quorvel
