#pragma once
// The watchdog that bounds every run of the helper, and its last word: an event the run still
// held when the watchdog ended it (neither handed to the app nor spooled) is named in the log,
// so no event is ever lost without a line saying so.
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "hook/HookLog.hpp"
#include "hook/RunBudget.hpp"

namespace quorvel {

/// What the run has in hand that the watchdog would cut off. Shared by the main flow, which
/// reports each step, and the watchdog's thread, which reads it once as it ends the run; every
/// member may be called from either thread.
class RunProgress {
public:
    /// From now on, a run the watchdog ends loses something: `lostLine` is written to `log`.
    void begin(const HookLog& log, std::string lostLine);
    /// Nothing in hand any more: the event is with the app or on disk, or its loss was logged
    /// by the main flow itself.
    void settle();
    /// Writes the line of what is in hand, if anything, and settles, so it is written once.
    /// True when there was a line to write.
    bool writeLostLine();

private:
    struct InHand {
        HookLog log;
        std::string lostLine;
    };
    std::mutex mutex_;
    std::optional<InHand> inHand_;
};

/// Ends the process with status 0 at `budget.watchdogEnds()`, from a thread of its own, even
/// while the main flow is blocked reading its input or waiting for a child. At
/// `budget.lastWordAt()` it writes `progress`'s lost line, if any, and ends the run once that
/// is written; a write still going at `watchdogEnds()` is cut off by the timer signal, so the
/// end is never late. Without a thread to be had, the timer signal ends the run
/// (startAlarmWatchdog), and then without that line: a signal handler may neither lock nor
/// allocate.
void startWatchdog(const RunBudget& budget, std::shared_ptr<RunProgress> progress);
/// Ends the process with status 0 after `seconds` through the process's real-time timer
/// (SIGALRM), for when no thread can be made.
void startAlarmWatchdog(double seconds = watchdogSeconds);

}  // namespace quorvel
