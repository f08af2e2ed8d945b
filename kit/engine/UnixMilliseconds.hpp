#pragma once
// The time stamp at the front of the file names the programs write (spooled events, captures),
// so that the names sort by time.
#include <cmath>
#include <cstdint>

namespace quorvel {

/// `unixSeconds` in whole milliseconds, the fraction cut off; 0 for a value that is not finite
/// or lies beyond what 64 bits hold.
inline std::int64_t unixMilliseconds(double unixSeconds) {
    const double milliseconds = std::trunc(unixSeconds * 1000.0);
    if (!std::isfinite(milliseconds) || milliseconds < -9.2e18 || milliseconds > 9.2e18) return 0;
    return static_cast<std::int64_t>(milliseconds);
}

}  // namespace quorvel
