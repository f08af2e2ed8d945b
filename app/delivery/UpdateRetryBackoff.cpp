#include "app/delivery/UpdateRetryBackoff.hpp"

#include <algorithm>

namespace quorvel {

bool UpdateRetryBackoff::waits(const std::string& sessionID, const QuorvelLiveState& live, Instant now) const {
    const auto retry = retries_.find(sessionID);
    if (retry == retries_.end() || retry->second.failed != live) return false;
    const double waited = now.secondsSince(retry->second.failedAt);
    return waited >= 0 && waited < retry->second.wait;
}

void UpdateRetryBackoff::failed(const std::string& sessionID, const QuorvelLiveState& live, Instant now) {
    const auto earlier = retries_.find(sessionID);
    const double wait = earlier == retries_.end() ? firstWait : std::min(earlier->second.wait * 2, longestWait);
    retries_[sessionID] = Retry{live, now, wait};
}

}  // namespace quorvel
