#pragma once
// Events the hook helper couldn't deliver wait as files in the spool folder. Draining reads
// every spooled event once and removes its file only after the event has been handed on, so
// nothing reported while the app was down is lost (a crash mid-drain loses at most the event
// in hand; the rest stay in the folder for the next drain) and nothing is handed on twice.
// The app reads the folder and removes each file itself once what its event produced is
// saved (`readSpool`, `removeSpoolFile`); `drainSpool` does both in one go.
//
// A helper ended mid-write leaves its hidden temporary file behind; one older than
// `staleTemporarySeconds` is removed by the next read. A spool file written in place (not
// renamed into the folder) is there before all its bytes are: one whose JSON ends early is
// left for a later read until it is as old, then logged and removed.
//
// The folder is the app's own: a link in its place is not followed (nothing outside it is
// ever deleted), and each entry is read as one of our own files (platform/files/OwnFileRead.hpp),
// so a link, FIFO, device, folder or oversized file is logged and skipped, never waited on.
// Main thread.
#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "kit/engine/HookEvent.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/logging/RepeatedFailureLog.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

/// More than the helper can write: its payload cap (1 MiB) plus what the environment adds.
inline constexpr std::size_t spoolFileMaxBytes = 4 * 1024 * 1024;

/// The log the spool's lines go to (category "Spool").
Logger spoolLogger();

/// Seconds after which a hidden temporary file in the folder counts as abandoned.
inline constexpr double staleTemporarySeconds = 60;

/// One event read from the spool, with the name of its file.
struct SpooledEvent {
    HookEvent event;
    std::string name;
};

/// Reads every ".json" file in `folder` but those named in `skip`: the events that decoded,
/// in the order they were received (`receiveOrder`, app/intake/EventStamp.hpp: by the boot
/// clock within one boot, else by `receivedAt`; ties keep name order). Files that don't decode
/// are logged and removed (those cut short only once abandoned), as are abandoned temporary
/// files; the rest stay. A missing or unreadable folder,
/// or one that is a link, gives nothing.
///
/// With `stuck`, an entry that could be neither read nor removed (a folder named "x.json", a
/// file nobody may remove) is logged once: its name is added to `stuck`, and names found
/// there are passed over without a word while they stay in the folder. The set is left
/// holding only such names still present.
std::vector<SpooledEvent> readSpool(const std::string& folder, const std::set<std::string>& skip = {},
                                    std::set<std::string>* stuck = nullptr);

/// Removes the spool file `name` from `folder` (never through a link); false, with a log
/// line, when it is still there. A file already gone counts as removed.
bool removeSpoolFile(const std::string& folder, const std::string& name);

/// The kind under which `removeSpoolFile` counts its failures in a `RepeatedFailureLog`.
inline constexpr std::string_view spoolRemovalFailureKind = "spool removal";

/// The same, saying why a file is still there through `failures` (at `now`), whose line is
/// the spool's: a folder swapped for a link mid-drain fails every file of a backlog, and says
/// so once with a count rather than once a file.
bool removeSpoolFile(const std::string& folder, const std::string& name, RepeatedFailureLog& failures, Instant now);

/// Reads every ".json" file in `folder` and hands the events that decoded to `handOn` in the
/// order they were received (as `readSpool`), removing each file after its event was handed
/// on. Files that don't decode are logged and removed; other entries are left alone. A
/// missing or unreadable folder, or one that is a link, gives no events.
void drainSpool(const std::string& folder, const std::function<void(const HookEvent&)>& handOn);

/// The same, collecting the events.
std::vector<HookEvent> drainSpool(const std::string& folder);

}  // namespace quorvel
