#pragma once
// Whether some process holds an flock on a file, told without locking it: a probe that took
// the lock, even shared and for an instant, would make a holder starting in that instant find
// it taken and give up. The kernel lists every lock in /proc/locks by the file's device and
// inode; the probe reads that list and nothing else.
// It answers "held" only when it is sure: a file that is missing, a link or not a regular
// file, a list that can't be read (no /proc), or a holder in a process namespace the list
// doesn't show (a container with its own /proc) all read as "not held".
// Reads the list line by line, with no lock of its own; safe from any thread.
#include <string>

namespace quorvel::files {

/// True when /proc/locks lists a granted FLOCK lock (shared or exclusive, by any process,
/// this one included, through any open file description) on the regular file at `path`, not
/// through a final link; false when it lists none or anything can't be told.
bool flockIsHeld(const std::string& path);

}  // namespace quorvel::files
