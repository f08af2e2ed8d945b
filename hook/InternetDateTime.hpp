#pragma once
#include <string>

#include "platform/time/Instant.hpp"

namespace quorvel {

/// `instant` as an internet date-time in UTC with milliseconds, e.g.
/// "2026-12-08T07:28:30.123Z" (the fraction below a millisecond is dropped).
std::string internetDateTime(Instant instant);

}  // namespace quorvel
