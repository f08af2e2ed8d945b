#pragma once
// File steps for edits that must be done one step at a time (back up, write beside, check,
// rename, read back) rather than as one atomic write. New files get their mode exactly: the
// umask never changes it.
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel::files {

/// `path` made absolute with every symbolic link in it resolved. A part that does not exist
/// ends the resolution and is kept as written, so the result names where a new file would go
/// (a link to a missing file resolves to the missing target).
std::string resolvingSymlinks(std::string_view path);

/// True when `code` means that nothing exists at the path (ENOENT, ENOTDIR).
bool isNoSuchFile(int code);

/// Creates a new file (never replacing one) holding `bytes`, with `mode` exactly, flushed to
/// disk. On failure nothing is left behind.
Expected<void, FileError> createFile(const std::string& path, std::string_view bytes, mode_t mode);

/// Copies `source` to a new file `destination` (never replacing one), with `mode` exactly,
/// or the source's own permissions when absent. On failure nothing is left behind.
Expected<void, FileError> copyFile(const std::string& source, const std::string& destination,
                                   std::optional<mode_t> mode = std::nullopt);

/// The permission bits (07777) of the file, following links; absent when they can't be read.
std::optional<mode_t> permissions(const std::string& path);

/// Sets the permission bits exactly.
Expected<void, FileError> setPermissions(const std::string& path, mode_t mode);

/// True when both are regular files that can be read and hold the same bytes. Sizes are
/// compared first; contents are then read a piece at a time (never a whole file) up to the
/// first difference. Never blocks on a named pipe or a device (they count as different).
bool haveSameContents(const std::string& first, const std::string& second);

}  // namespace quorvel::files
