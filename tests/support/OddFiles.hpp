#pragma once
// The things someone can leave where one of our files should be, for tests of readers that
// must treat them as unreadable without waiting on them or reading them into memory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace quorvel::testing {

enum class OddFile { fifo, deviceLink, huge, folder, linkToRegularFile };

inline std::vector<OddFile> allOddFiles() {
    return {OddFile::fifo, OddFile::deviceLink, OddFile::huge, OddFile::folder, OddFile::linkToRegularFile};
}

inline const char* nameOf(OddFile kind) {
    switch (kind) {
        case OddFile::fifo: return "fifo";
        case OddFile::deviceLink: return "deviceLink";
        case OddFile::huge: return "huge";
        case OddFile::folder: return "folder";
        case OddFile::linkToRegularFile: return "linkToRegularFile";
    }
    return "?";
}

/// Puts `kind` at `path`; `linkTarget` is the regular file a link points to (made with
/// `targetContents` when given). A huge file is sparse: 64 GiB that take no disk.
inline bool plantOddFile(OddFile kind, const std::string& path, const std::string& linkTarget = "",
                         const std::string& targetContents = "") {
    switch (kind) {
        case OddFile::fifo: return ::mkfifo(path.c_str(), 0600) == 0;
        case OddFile::deviceLink: return ::symlink("/dev/zero", path.c_str()) == 0;
        case OddFile::huge: {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0) return false;
            const bool sized = ::ftruncate(fd, off_t(64) << 30) == 0;
            ::close(fd);
            return sized;
        }
        case OddFile::folder: return ::mkdir(path.c_str(), 0700) == 0;
        case OddFile::linkToRegularFile: {
            if (!targetContents.empty()) {
                const int fd = ::open(linkTarget.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
                if (fd < 0) return false;
                const bool written =
                    ::write(fd, targetContents.data(), targetContents.size()) == ssize_t(targetContents.size());
                ::close(fd);
                if (!written) return false;
            }
            return ::symlink(linkTarget.c_str(), path.c_str()) == 0;
        }
    }
    return false;
}

}  // namespace quorvel::testing
