#pragma once
// The phone's drop box for received pushes: the folder "inbox" under a base folder the
// caller owns, one file per push named <milliseconds since 1970>-<id>.json, collected later
// in one go. Writers only add files with distinct names, so one process may write while
// another drains; a file written during a drain is collected by the next one.
#include <optional>
#include <string>
#include <vector>

#include "kit/push/ReceivedPush.hpp"
#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel::PushInbox {

/// The push's file name: its receive time in whole milliseconds since 1970 (cut toward
/// zero), "-", its id, ".json". Absent when the time is not a finite number of milliseconds
/// that fits in 64 bits.
std::optional<std::string> fileName(const ReceivedPush& push);

/// Writes the push into the inbox (made, with the base folder, when missing). The file is
/// written whole under a temporary name that does not end in ".json" and renamed into
/// place, so a drain never sees half of it.
Expected<void, files::FileError> write(const ReceivedPush& push, const std::string& baseFolder);

/// The pushes waiting, oldest file name first, each file deleted once it was read: a file
/// that reads but does not decode is dropped; one that can't be read (a link, a FIFO, a
/// folder, a file too big) is renamed aside (its name + ".unreadable-" + a new UUID) with one
/// log line, so no later drain meets it again; one that failed for a passing reason (gone,
/// out of descriptors) stays for the next drain. Names not ending in ".json" are left alone.
/// A missing inbox gives no pushes.
std::vector<ReceivedPush> drain(const std::string& baseFolder);

}  // namespace quorvel::PushInbox
