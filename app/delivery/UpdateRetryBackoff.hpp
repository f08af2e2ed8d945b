#pragma once
// When a Live Activity update that failed may go out again: no sooner than `firstWait`
// seconds after the failure, the wait doubling with each failure that follows up to
// `longestWait`, while the state to send is still the one that failed; any other state goes
// out at once. A clock set back ends the wait rather than stretching it.
//
// Not thread-safe: used by one thread (the main thread).
#include <map>
#include <string>

#include "kit/push/QuorvelLiveState.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class UpdateRetryBackoff {
public:
    /// Seconds.
    static constexpr double firstWait = 10;
    static constexpr double longestWait = 300;

    /// True while the update of `sessionID`'s activity to `live` has to wait.
    bool waits(const std::string& sessionID, const QuorvelLiveState& live, Instant now) const;
    /// The update of `sessionID`'s activity to `live` failed at `now`.
    void failed(const std::string& sessionID, const QuorvelLiveState& live, Instant now);
    /// An update went through, or the activity is gone: its next failure is a first one.
    void forget(const std::string& sessionID) { retries_.erase(sessionID); }

private:
    struct Retry {
        QuorvelLiveState failed;
        Instant failedAt;
        double wait = firstWait;
    };

    std::map<std::string, Retry> retries_;
};

}  // namespace quorvel
