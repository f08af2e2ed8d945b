#include "platform/files/OwnFileRead.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::files {
namespace {

constexpr int readFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

FileError notRegular(const std::string& path) {
    return FileError{EINVAL, path, "Not a regular file: " + path};
}

FileError tooLarge(const std::string& path, std::size_t maxBytes) {
    return FileError{EFBIG, path,
                     "File larger than " + std::to_string(maxBytes) + " bytes: " + path};
}

Expected<OwnFileContents, FileError> readOpened(int fd, std::size_t maxBytes, const std::string& path) {
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat status {};
    if (::fstat(fd, &status) != 0) return fileFailure(errno, path);
    if (!S_ISREG(status.st_mode)) return unexpected(notRegular(path));
    if (status.st_size < 0 || static_cast<std::uint64_t>(status.st_size) > maxBytes) {
        return unexpected(tooLarge(path, maxBytes));
    }

    OwnFileContents contents;
    contents.permissions = status.st_mode & 07777;
    contents.owner = status.st_uid;
    // The size may change while we read (a writer appending): one byte more than allowed is
    // asked for, so growth past the bound is seen rather than cut silently.
    contents.bytes.resize(static_cast<std::size_t>(status.st_size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == contents.bytes.size()) {
            if (contents.bytes.size() > maxBytes) return unexpected(tooLarge(path, maxBytes));
            contents.bytes.resize(std::min(maxBytes + 1, contents.bytes.size() * 2 + 4096));
        }
        const ssize_t count = ::read(fd, contents.bytes.data() + filled, contents.bytes.size() - filled);
        if (count < 0) {
            if (errno == EINTR) continue;
            return fileFailure(errno, path);
        }
        if (count == 0) break;
        filled += static_cast<std::size_t>(count);
    }
    if (filled > maxBytes) return unexpected(tooLarge(path, maxBytes));
    contents.bytes.resize(filled);
    return contents;
}

/// Looked at before opening: opening is itself an act on a FIFO (it lets a blocked writer go
/// on) or a device (a watchdog starts, a tape rewinds), so only a regular file is opened. What
/// is opened is checked again, since the entry may change in between.
std::optional<FileError> refuseBeforeOpening(const struct stat& status, const std::string& path) {
    if (S_ISLNK(status.st_mode)) return fileErrorFromErrno(ELOOP, path);
    if (!S_ISREG(status.st_mode)) return notRegular(path);
    return std::nullopt;
}

}  // namespace

Expected<OwnFileContents, FileError> readOwnFile(const std::string& path, std::size_t maxBytes,
                                                 FinalLink finalLink) {
    const bool follow = finalLink == FinalLink::follow;
    struct stat status {};
    if ((follow ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status)) != 0) {
        return fileFailure(errno, path);
    }
    if (auto refused = refuseBeforeOpening(status, path)) return unexpected(std::move(*refused));
    const int fd = openRetrying(path.c_str(), follow ? readFlags & ~O_NOFOLLOW : readFlags);
    if (fd < 0) return fileFailure(errno, path);
    return readOpened(fd, maxBytes, path);
}

Expected<OwnFileContents, FileError> readOwnFileAt(int folderFd, const std::string& name, std::size_t maxBytes,
                                                   const std::string& path) {
    struct stat status {};
    if (::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return fileFailure(errno, path);
    if (auto refused = refuseBeforeOpening(status, path)) return unexpected(std::move(*refused));
    int fd = -1;
    do {
        fd = ::openat(folderFd, name.c_str(), readFlags);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return fileFailure(errno, path);
    return readOpened(fd, maxBytes, path);
}

int openOwnFolder(const std::string& path) {
    return openRetrying(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

}  // namespace quorvel::files
