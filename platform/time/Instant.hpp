#pragma once
// One type for instants. Persisted records count seconds from 2001-01-01 00:00 UTC (the
// reference date); hook events and anything called "Unix" count from 1970. The names of the
// accessors say which one a caller means, so the two never mix silently.
#include <compare>
#include <optional>

namespace quorvel {

class Instant {
public:
    static constexpr double referenceDateUnixSeconds = 978307200.0;

    constexpr Instant() = default;
    static constexpr Instant fromUnixSeconds(double seconds) { return Instant(seconds); }
    static constexpr Instant fromReferenceSeconds(double seconds) {
        return Instant(seconds + referenceDateUnixSeconds);
    }
    /// The reference date itself (2001-01-01 00:00 UTC).
    static constexpr Instant referenceDate() { return Instant(referenceDateUnixSeconds); }
    /// The wall clock, now.
    static Instant now();

    constexpr double unixSeconds() const { return unixSeconds_; }
    constexpr double referenceSeconds() const { return unixSeconds_ - referenceDateUnixSeconds; }

    /// Seconds from `earlier` to this instant (negative when `earlier` is later).
    constexpr double secondsSince(Instant earlier) const { return unixSeconds_ - earlier.unixSeconds_; }
    constexpr Instant adding(double seconds) const { return Instant(unixSeconds_ + seconds); }

    constexpr auto operator<=>(const Instant&) const = default;

private:
    constexpr explicit Instant(double unixSeconds) : unixSeconds_(unixSeconds) {}
    double unixSeconds_ = 0;
};

/// A source of "now" that tests can replace.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Instant now() const = 0;
    /// Seconds on a clock that stands still while the computer sleeps and that no change of
    /// the wall clock steps: what tells a suspend from time passed awake. Absent for a clock
    /// that keeps none (a test's own, which is then never asleep).
    virtual std::optional<double> awakeSeconds() const { return std::nullopt; }
};

class SystemClock final : public Clock {
public:
    Instant now() const override { return Instant::now(); }
    /// CLOCK_MONOTONIC (CLOCK_BOOTTIME would count the suspend).
    std::optional<double> awakeSeconds() const override;
};

}  // namespace quorvel
