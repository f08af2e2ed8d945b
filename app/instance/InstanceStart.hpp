#pragma once
// What a start of the app becomes once it has looked for a running copy: the one copy (it
// holds the single-instance lock and listens for later launches), or a later launch that hands
// its request over and ends. A later launch never waits on a running copy that doesn't answer
// (paused, hung): one attempt that doesn't block, a short wait for the answer, and it ends.
// Only a copy that is quitting (it holds the lock but has stopped listening) is waited for, a
// few seconds, so that a launch meant to handle a spooled event doesn't end with no copy left.
// The copy listens on the channel's abstract name, or, where another user holds that name, on
// the socket beside the lock in the user's own folder; a later launch tries both and tells a
// listener of another user nothing, so someone else's socket neither takes a request nor makes
// a launch wait.
// A copy holding the lock out of this process's reach (another socket namespace: a sandbox or
// container that shares the home) is asked once, where it can be, and never waited for: it
// runs, and its ticks drain the spool. A launch that will show windows takes the place of a
// running copy that has none: that copy gives way, and this launch waits for the lock as for
// any copy that quits.
// Runs on the main thread before the Qt application exists.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "app/instance/InstanceChannel.hpp"
#include "app/instance/LaunchRequest.hpp"
#include "app/instance/SingleInstance.hpp"

namespace quorvel {

struct InstanceStart {
    struct Timing {
        /// How long a copy that is quitting is waited for.
        std::chrono::milliseconds quitWait{5000};
        /// How long the running copy has to answer a handed-over request (the background
        /// request waits for none: reaching the copy is all it needs).
        std::chrono::milliseconds answerWait{1000};
        /// Between two looks at the lock while waiting.
        std::chrono::milliseconds retry{50};
    };

    /// True when this process is the one copy and goes on to start the app.
    bool runs = false;
    /// Where later launches reach this copy; absent when it couldn't listen (reported).
    std::optional<InstanceChannel> launches;
    /// This copy runs in the place of one without windows that gave way to it: the request it
    /// was launched for, the reopen too, is its own to carry out.
    bool tookOver = false;

    /// Claims `instance` and, while another copy holds it, hands `request` to the copy
    /// listening at `channelAddress`. Failures that don't stop the start (no way to check for
    /// another copy: better two copies than none; no channel) are passed to `reportError` as
    /// one line each. `bringsDisplay`: this launch will show windows (a running copy without
    /// any gives way to it).
    static InstanceStart settle(SingleInstance& instance, const std::string& channelAddress, LaunchRequest request,
                                const std::function<void(const std::string&)>& reportError, Timing timing,
                                bool bringsDisplay = false);
    static InstanceStart settle(SingleInstance& instance, const std::string& channelAddress, LaunchRequest request,
                                const std::function<void(const std::string&)>& reportError,
                                bool bringsDisplay = false) {
        return settle(instance, channelAddress, request, reportError, Timing{}, bringsDisplay);
    }
};

}  // namespace quorvel
