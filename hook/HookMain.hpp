#pragma once
// The helper's main flow: one hook payload in, one event handed to the app (or spooled), and
// nothing ever reported back to the agent.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "hook/HookLog.hpp"
#include "hook/RunBudget.hpp"
#include "hook/Watchdog.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/QuorvelPaths.hpp"

namespace quorvel {

/// The log never grows much beyond this before it rotates.
inline constexpr std::int64_t hookLogMaxBytes = 1'048'576;

/// What one run of the helper is given.
struct HookInvocation {
    /// Command-line arguments without the program's own path.
    std::vector<std::string> arguments;
    HookEvent::Environment environment;
    /// The user's home folder.
    std::string home;
    /// Where the payload comes from (standard input).
    int inputFd = 0;
    /// The helper's parent process, whose ancestry names the terminal when no variable does
    /// (TerminalAncestry.hpp); 0 looks at no process.
    pid_t parentProcess = 0;
    /// When the run (and its watchdog) started; the input and the post are given up in time
    /// for the event to be spooled and logged before the watchdog ends the run.
    RunBudget budget;
    /// Told what the run holds at each step, for the watchdog's last word (Watchdog.hpp).
    std::shared_ptr<RunProgress> progress = std::make_shared<RunProgress>();
};

/// Runs the main flow: --simulate, or read, capture, map and post the payload. Every outcome
/// is a log line at most; the caller exits with status 0 afterwards.
void hookMain(const HookInvocation& invocation);

/// Posts the event, waiting for the app only as long as `budget` leaves before the spool file
/// is due; when the app doesn't take it, logs why, spools it and starts the app
/// (`appCommand` for `environment`), or shows a banner. `progress` holds the event until it
/// is with the app or on disk.
void postEvent(const HookEvent& event, const QuorvelPaths& paths, const HookLog& log,
               const HookEvent::Environment& environment, const RunBudget& budget, RunProgress& progress);

}  // namespace quorvel
