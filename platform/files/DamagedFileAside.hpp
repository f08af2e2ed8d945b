#pragma once
// Where a damaged file of ours goes before it is written over: beside it, under a name that
// never replaces one set aside earlier (<name>.bad-1, <name>.bad-2, ...), keeping only the
// newest few so a file that keeps breaking can't fill the disk. A <name>.bad left by earlier
// builds counts as the oldest. Any thread; blocks on the file system.
#include <cstddef>
#include <string>

#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel::files {

/// How many damaged copies of one file are kept.
inline constexpr std::size_t keptDamagedCopies = 3;

/// Moves the file at `path` aside as above and removes all but the newest `kept` copies.
/// Returns the new name; fails (nothing moved) when `path` can't be renamed.
Expected<std::string, FileError> moveDamagedFileAside(const std::string& path, std::size_t kept = keptDamagedCopies);

}  // namespace quorvel::files
