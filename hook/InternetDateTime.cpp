#include "hook/InternetDateTime.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace quorvel {

std::string internetDateTime(Instant instant) {
    double seconds = instant.unixSeconds();
    // Four-digit years only; anything else (or a non-finite value) shows as the epoch.
    if (!std::isfinite(seconds) || seconds < -62135596800.0 || seconds >= 253402300800.0) seconds = 0;
    double whole = std::floor(seconds);
    int milliseconds = static_cast<int>(std::floor((seconds - whole) * 1000.0));
    if (milliseconds > 999) milliseconds = 999;
    std::time_t time = static_cast<std::time_t>(whole);
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, milliseconds);
    return text;
}

}  // namespace quorvel
