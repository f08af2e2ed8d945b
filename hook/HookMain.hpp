#pragma once
// The helper's main flow: one hook payload in, one event handed to the app (or spooled), and
// nothing ever reported back to the agent.
#include <string>
#include <vector>

#include "hook/HookLog.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/QuorvelPaths.hpp"

namespace quorvel {

/// Seconds after which the watchdog ends the helper, whatever it is doing.
inline constexpr double watchdogSeconds = 1.5;
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
};

/// Ends the process with status 0 after `seconds`, from a thread of its own, even while the
/// main flow is blocked reading its input or waiting for a child.
void startWatchdog(double seconds = watchdogSeconds);
/// The same through the process's real-time timer (SIGALRM), for when no thread can be made.
void startAlarmWatchdog(double seconds = watchdogSeconds);

/// Runs the main flow: --simulate, or read, capture, map and post the payload. Every outcome
/// is a log line at most; the caller exits with status 0 afterwards.
void hookMain(const HookInvocation& invocation);

/// Posts the event; when the app doesn't take it, logs why, spools it and starts the app
/// (`appExecutable` for `environment`), or shows a banner.
void postEvent(const HookEvent& event, const QuorvelPaths& paths, const HookLog& log,
               const HookEvent::Environment& environment);

}  // namespace quorvel
