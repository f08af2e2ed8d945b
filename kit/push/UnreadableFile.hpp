#pragma once
// A file of ours that can't be read is never deleted or written over: it may hold what someone
// wants back. It is renamed aside in its folder, out of the way of every later read.
#include <string>

#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

/// Renames `path` (a link or folder itself, never what it points to) to `path` +
/// ".unreadable-" + a new UUID; gives the new path.
Expected<std::string, files::FileError> moveUnreadableFileAside(const std::string& path);

}  // namespace quorvel
