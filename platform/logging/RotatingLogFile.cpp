#include "platform/logging/RotatingLogFile.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/files/FileDescriptors.hpp"

namespace quorvel::files {
namespace {

int openLog(const std::string& path, int openFlags) {
    return openRetrying(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | openFlags, 0600);
}

// Moves the file open as `fd` aside unless another writer already has. The lock is the
// file's own, so every writer that found this same file too big waits for the first one.
void rotate(int fd, const struct stat& opened, const std::string& path) {
    if (::flock(fd, LOCK_EX) != 0) return;
    struct stat current {};
    if (::lstat(path.c_str(), &current) == 0 && current.st_dev == opened.st_dev && current.st_ino == opened.st_ino) {
        const std::string older = path + ".1";
        (void)std::rename(path.c_str(), older.c_str());
    }
    ::flock(fd, LOCK_UN);
}

}  // namespace

void appendToRotatingLog(const std::string& path, std::string_view line, std::int64_t maxBytes, int openFlags) {
    int fd = openLog(path, openFlags);
    if (fd < 0) return;
    struct stat opened {};
    // Only a regular file rotates: a log sent to a terminal or a pipe has no size to bound.
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_size > maxBytes) {
        rotate(fd, opened, path);
        ::close(fd);
        fd = openLog(path, openFlags);
        if (fd < 0) return;
    }
    (void)writeAll(fd, line);
    ::close(fd);
}

}  // namespace quorvel::files
