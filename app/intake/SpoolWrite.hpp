#pragma once
// The app's own way into the spool folder: events it accepted but can no longer handle (the
// process is ending) are written there in the helper's form, so the next start drains them
// with the rest, in time order, each once. Main thread.
#include <cstddef>
#include <string>
#include <vector>

#include "kit/engine/HookEvent.hpp"

namespace quorvel {

/// Writes each event as its own spool file ("<receivedAt in whole ms>-<uuid>.json", 0600)
/// into `folder` (0700, made when missing; never through a link). Only for the copy that holds
/// the single-instance lock, which no drain runs beside. Quick: nothing waits for the disk.
/// Returns how many were written; the failures are logged.
std::size_t writeSpoolFiles(const std::string& folder, const std::vector<HookEvent>& events);

}  // namespace quorvel
