#include "platform/files/FileDescriptors.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::files {

Unexpected<FileError> fileFailure(int code, std::string path) {
    return unexpected(fileErrorFromErrno(code, std::move(path)));
}

int openRetrying(const char* path, int flags, mode_t mode) {
    int fd = -1;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

Expected<void, FileError> createExclusively(const std::string& path, mode_t mode,
                                            const std::function<int(int fd)>& fill) {
    const int fd = openRetrying(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode & 07777);
    if (fd < 0) return fileFailure(errno, path);
    const auto abandon = [&](int code) {
        ::close(fd);
        ::unlink(path.c_str());
        return fileFailure(code, path);
    };
    // open applied the umask; the file gets exactly `mode` before it holds anything.
    if (::fchmod(fd, mode & 07777) != 0) return abandon(errno);
    if (const int code = fill(fd); code != 0) return abandon(code);
    if (::fsync(fd) != 0) return abandon(errno);
    if (::close(fd) != 0 && errno != EINTR) {
        const int code = errno;
        ::unlink(path.c_str());
        return fileFailure(code, path);
    }
    return {};
}

}  // namespace quorvel::files
