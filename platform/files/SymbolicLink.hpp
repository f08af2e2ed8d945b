#pragma once
// Folders and files of our own replaced by a symbolic link: whoever placed the link chooses
// where a write through it would land, so the system checks before it writes there.
#include <string>

namespace quorvel::files {

/// Whether `path` itself is a symbolic link (the link is not followed). Any thread.
bool isSymbolicLink(const std::string& path);

}  // namespace quorvel::files
