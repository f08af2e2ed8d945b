#pragma once
// A log file that stays bounded: above its size limit it is moved to its name + ".1"
// (replacing the older copy) before the next line. Several processes may write the same file
// at once (helpers side by side, the app and its tests): each line is one append, and of the
// writers that find the file too big only the first moves it, so a fresh copy is never
// pushed out by a second rotation. Any thread; blocks only on the file system.
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::files {

/// Appends `line` to the file at `path` in one write, creating it (0600) when missing. A
/// regular file larger than `maxBytes` (strictly) is first moved to `path` + ".1". `openFlags`
/// adds to O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC (O_NOFOLLOW, O_NONBLOCK). Never fails to
/// its caller: a line that can't be written is lost.
void appendToRotatingLog(const std::string& path, std::string_view line, std::int64_t maxBytes, int openFlags = 0);

}  // namespace quorvel::files
