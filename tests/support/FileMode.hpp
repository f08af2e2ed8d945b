#pragma once
// A file's permission bits, for tests that check what the code under test created.
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

namespace quorvel::testing {

/// The permission bits (with set-ID and sticky) of what `path` names; 0 when nothing is there.
inline mode_t modeOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return 0;
    return status.st_mode & 07777;
}

}  // namespace quorvel::testing
