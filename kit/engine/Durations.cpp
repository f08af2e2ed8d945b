#include "kit/engine/Durations.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace quorvel::Durations {
namespace {

// Whole seconds, floored; negative and NaN read as 0, and a value beyond the counter's range
// (bad times from a spool file or a request can produce one) saturates instead of overflowing.
std::int64_t wholeSeconds(double seconds) {
    if (std::isnan(seconds)) return 0;
    const double floored = std::floor(seconds);
    if (floored <= 0) return 0;
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (floored >= limit) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(floored);
}

std::string twoDigits(std::int64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02lld", static_cast<long long>(value));
    return buffer;
}

}  // namespace

std::string shortText(double seconds) {
    const std::int64_t s = wholeSeconds(seconds);
    if (s >= 3600) return std::to_string(s / 3600) + "h " + twoDigits((s % 3600) / 60) + "m";
    if (s >= 60) return std::to_string(s / 60) + "m " + twoDigits(s % 60) + "s";
    return std::to_string(s) + "s";
}

std::string clock(double seconds) {
    const std::int64_t s = wholeSeconds(seconds);
    if (s >= 3600) {
        return std::to_string(s / 3600) + ":" + twoDigits((s % 3600) / 60) + ":" + twoDigits(s % 60);
    }
    return std::to_string(s / 60) + ":" + twoDigits(s % 60);
}

}  // namespace quorvel::Durations
