#include "platform/FileOperations.hpp"

#include <cerrno>
#include <climits>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvel::files {
namespace {

constexpr int maximumLinkHops = 40;  // as the kernel's own limit before ELOOP

Unexpected<FileError> failure(int code, std::string path) {
    return unexpected(fileErrorFromErrno(code, std::move(path)));
}

int openRetrying(const char* path, int flags, mode_t mode = 0) {
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

void splitComponents(std::string_view path, std::deque<std::string>& into, bool atFront) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = path.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? path.size() : slash;
        if (end > start) parts.emplace_back(path.substr(start, end - start));
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    if (atFront) {
        into.insert(into.begin(), parts.begin(), parts.end());
    } else {
        into.insert(into.end(), parts.begin(), parts.end());
    }
}

std::string currentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

/// A new file at `path` with `mode` exactly, filled by `fill`; removed again when anything fails.
template <typename Fill>
Expected<void, FileError> createExclusively(const std::string& path, mode_t mode, Fill fill) {
    const int fd = openRetrying(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode & 07777);
    if (fd < 0) return failure(errno, path);
    const auto abandon = [&](int code) {
        ::close(fd);
        ::unlink(path.c_str());
        return failure(code, path);
    };
    // open applied the umask; the file gets exactly `mode` before it holds anything.
    if (::fchmod(fd, mode & 07777) != 0) return abandon(errno);
    if (const int code = fill(fd); code != 0) return abandon(code);
    if (::fsync(fd) != 0) return abandon(errno);
    if (::close(fd) != 0 && errno != EINTR) {
        const int code = errno;
        ::unlink(path.c_str());
        return failure(code, path);
    }
    return {};
}

}  // namespace

std::string resolvingSymlinks(std::string_view path) {
    std::deque<std::string> pending;
    if (path.empty() || path.front() != '/') splitComponents(currentDirectory(), pending, false);
    splitComponents(path, pending, false);

    std::string resolved;  // "" stands for the root
    bool missing = false;  // past a part that does not exist: the rest is kept as written
    int hops = 0;
    while (!pending.empty()) {
        const std::string part = std::move(pending.front());
        pending.pop_front();
        if (part == ".") continue;
        if (part == "..") {
            if (!missing) {
                const std::size_t slash = resolved.rfind('/');
                resolved.erase(slash == std::string::npos ? 0 : slash);
                continue;
            }
        }
        const std::string candidate = resolved + "/" + part;
        if (missing) {
            resolved = candidate;
            continue;
        }
        struct stat status {};
        if (::lstat(candidate.c_str(), &status) != 0) {
            missing = true;
            resolved = candidate;
            continue;
        }
        if (!S_ISLNK(status.st_mode)) {
            resolved = candidate;
            continue;
        }
        std::vector<char> target(PATH_MAX);
        ssize_t length = 0;
        while ((length = ::readlink(candidate.c_str(), target.data(), target.size())) >= 0 &&
               static_cast<std::size_t>(length) == target.size()) {
            target.resize(target.size() * 2);
        }
        if (length < 0 || ++hops > maximumLinkHops) {
            // Unreadable or looping: keep the link itself; opening it reports the problem.
            missing = true;
            resolved = candidate;
            continue;
        }
        const std::string_view link(target.data(), static_cast<std::size_t>(length));
        if (!link.empty() && link.front() == '/') resolved.clear();
        splitComponents(link, pending, true);
    }
    return resolved.empty() ? "/" : resolved;
}

bool isNoSuchFile(int code) { return code == ENOENT || code == ENOTDIR; }

Expected<void, FileError> createFile(const std::string& path, std::string_view bytes, mode_t mode) {
    return createExclusively(path, mode, [&](int fd) { return writeAll(fd, bytes) ? 0 : errno; });
}

Expected<void, FileError> copyFile(const std::string& source, const std::string& destination,
                                   std::optional<mode_t> mode) {
    const int input = openRetrying(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (input < 0) return failure(errno, source);
    struct stat status {};
    if (::fstat(input, &status) != 0) {
        const int code = errno;
        ::close(input);
        return failure(code, source);
    }
    int readError = 0;
    auto copied = createExclusively(destination, mode.value_or(status.st_mode & 07777), [&](int output) {
        std::vector<char> buffer(1 << 16);
        for (;;) {
            const ssize_t count = ::read(input, buffer.data(), buffer.size());
            if (count < 0) {
                if (errno == EINTR) continue;
                readError = errno;
                return readError;
            }
            if (count == 0) return 0;
            if (!writeAll(output, std::string_view(buffer.data(), static_cast<std::size_t>(count)))) return errno;
        }
    });
    ::close(input);
    if (!copied && readError != 0) return failure(readError, source);
    return copied;
}

std::optional<mode_t> permissions(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return status.st_mode & 07777;
}

Expected<void, FileError> setPermissions(const std::string& path, mode_t mode) {
    if (::chmod(path.c_str(), mode & 07777) != 0) return failure(errno, path);
    return {};
}

bool haveSameContents(const std::string& first, const std::string& second) {
    const auto firstBytes = readFile(first);
    if (!firstBytes) return false;
    const auto secondBytes = readFile(second);
    return secondBytes && *firstBytes == *secondBytes;
}

}  // namespace quorvel::files
