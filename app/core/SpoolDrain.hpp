#pragma once
// Events the hook helper couldn't deliver wait as files in the spool folder. Draining reads
// every spooled event once and removes its file, so nothing reported while the app was down
// is lost and nothing is handed on twice.
#include <string>
#include <vector>

#include "kit/engine/HookEvent.hpp"

namespace quorvel {

/// Reads and removes every ".json" file in `folder` and returns the events that decoded,
/// oldest `receivedAt` first (ties keep name order). Files that don't decode are logged and
/// removed too; other entries are left alone. A missing or unreadable folder gives no events.
std::vector<HookEvent> drainSpool(const std::string& folder);

}  // namespace quorvel
