#pragma once
// An event the app didn't take waits in the spool folder, one JSON file per event, until the
// app drains it. Files appear whole: a half-written event never carries the ".json" name the
// drain looks for.
#include <string>
#include <string_view>

#include "hook/HookLog.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "kit/engine/SpoolFileFormat.hpp"

namespace quorvel {

/// Writes `data` (the event's `spoolFileContents`) as a new spool file (0600) in the spool
/// folder (0700, created when missing). Failures go to the log; so does a spool or
/// application-support folder that is a link, which is never written through.
void writeSpoolFile(std::string_view data, const HookEvent& event, const QuorvelPaths& paths, const HookLog& log);

}  // namespace quorvel
