#pragma once
// A clock that stays where the test puts it. Not for clocks read from other threads.
#include "platform/time/Instant.hpp"

namespace quorvel::testing {

class FixedClock final : public Clock {
public:
    explicit FixedClock(Instant at) : current(at) {}
    Instant now() const override { return current; }

    Instant current;
};

}  // namespace quorvel::testing
