#include "kit/push/UnreadableFile.hpp"

#include <cerrno>
#include <cstdio>

#include "platform/SecureRandom.hpp"

namespace quorvel {

Expected<std::string, files::FileError> moveUnreadableFileAside(const std::string& path) {
    std::string aside = path + ".unreadable-" + random::makeUuidString();
    if (std::rename(path.c_str(), aside.c_str()) != 0) return unexpected(files::fileErrorFromErrno(errno, path));
    return aside;
}

}  // namespace quorvel
