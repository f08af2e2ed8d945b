#pragma once
// How one run of the helper spends the watchdog's 1.5 seconds: its input must have ended by
// the input deadline, the post may wait only for what is left once the spool file and a log
// line have been given time of their own, and whatever follows (starting the app, a banner)
// may be cut by the watchdog, because by then the event is with the app or on disk. A value,
// fixed when the run starts; any thread.
#include <chrono>

namespace quorvel {

/// Seconds after which the watchdog ends the helper, whatever it is doing.
inline constexpr double watchdogSeconds = 1.5;
/// Time kept back from the post for writing the spool file and the log line before it, which
/// take a few milliseconds even on a busy machine.
inline constexpr std::chrono::milliseconds keepingReserve{200};
/// Time before the watchdog's end in which its own line (what the run still holds) is written,
/// so that the end comes on time however long that write would take.
inline constexpr std::chrono::milliseconds lastWordReserve{50};

struct RunBudget {
    using Clock = std::chrono::steady_clock;

    /// When the run began (the watchdog counts from here).
    Clock::time_point started = Clock::now();

    /// When the watchdog ends the run.
    Clock::time_point watchdogEnds() const;
    /// When the watchdog says what the run still holds, if anything, and ends it then
    /// (lastWordReserve before `watchdogEnds`).
    Clock::time_point lastWordAt() const;
    /// When the helper stops waiting for its input to end (hookInputWait after the start).
    Clock::time_point inputDeadline() const;
    /// Seconds a post that starts at `now` may wait for the app: postTimeoutSeconds at most and
    /// never into the keeping reserve before the watchdog's last word; 0 when nothing is left,
    /// so the event is spooled at once.
    double postSeconds(Clock::time_point now = Clock::now()) const;
};

}  // namespace quorvel
