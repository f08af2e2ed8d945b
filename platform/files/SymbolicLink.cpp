#include "platform/files/SymbolicLink.hpp"

#include <sys/stat.h>

namespace quorvel::files {

bool isSymbolicLink(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

}  // namespace quorvel::files
