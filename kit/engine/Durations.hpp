#pragma once
// Short forms of a duration in seconds ("5m 03s", "1:02:05"). Values that are negative, not a
// number, or too large to count never fail: they read as 0, or saturate at the largest count.
#include <string>

namespace quorvel::Durations {

/// "7s", "5m 03s", "1h 02m".
std::string shortText(double seconds);
/// "0:07", "59:59", "1:02:05".
std::string clock(double seconds);

}  // namespace quorvel::Durations
