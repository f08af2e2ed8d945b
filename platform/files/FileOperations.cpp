#include "platform/files/FileOperations.hpp"

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/files/FileDescriptors.hpp"

namespace quorvel::files {
namespace {

constexpr int maximumLinkHops = 40;  // as the kernel's own limit before ELOOP

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
    if (input < 0) return fileFailure(errno, source);
    struct stat status {};
    if (::fstat(input, &status) != 0) {
        const int code = errno;
        ::close(input);
        return fileFailure(code, source);
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
    if (!copied && readError != 0) return fileFailure(readError, source);
    return copied;
}

std::optional<mode_t> permissions(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return status.st_mode & 07777;
}

Expected<void, FileError> setPermissions(const std::string& path, mode_t mode) {
    if (::chmod(path.c_str(), mode & 07777) != 0) return fileFailure(errno, path);
    return {};
}

namespace {

// A descriptor closed when it goes out of scope.
struct OpenFile {
    int fd = -1;
    explicit OpenFile(const std::string& path)
        // Never blocks: a named pipe or a device opens at once and is turned away below.
        : fd(openRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {}
    ~OpenFile() {
        if (fd >= 0) ::close(fd);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
};

// Reads up to `buffer.size()` bytes, going on after short reads; the count read, or -1.
ssize_t readFully(int fd, std::vector<char>& buffer) {
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t count = ::read(fd, buffer.data() + filled, buffer.size() - filled);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return -1;
        if (count == 0) break;
        filled += static_cast<std::size_t>(count);
    }
    return static_cast<ssize_t>(filled);
}

}  // namespace

bool haveSameContents(const std::string& first, const std::string& second) {
    const OpenFile one(first);
    const OpenFile other(second);
    if (one.fd < 0 || other.fd < 0) return false;
    struct stat oneStatus {};
    struct stat otherStatus {};
    if (::fstat(one.fd, &oneStatus) != 0 || ::fstat(other.fd, &otherStatus) != 0) return false;
    if (!S_ISREG(oneStatus.st_mode) || !S_ISREG(otherStatus.st_mode)) return false;
    if (oneStatus.st_size != otherStatus.st_size) return false;
    if (oneStatus.st_dev == otherStatus.st_dev && oneStatus.st_ino == otherStatus.st_ino) return true;
    // Piece by piece, so neither file is ever held whole, and no further than the first difference.
    constexpr std::size_t pieceSize = 1 << 16;
    std::vector<char> onePiece(pieceSize);
    std::vector<char> otherPiece(pieceSize);
    for (;;) {
        const ssize_t oneCount = readFully(one.fd, onePiece);
        const ssize_t otherCount = readFully(other.fd, otherPiece);
        // A file that changed size under us, or a read error, counts as different.
        if (oneCount < 0 || oneCount != otherCount) return false;
        if (oneCount == 0) return true;
        if (std::memcmp(onePiece.data(), otherPiece.data(), static_cast<std::size_t>(oneCount)) != 0) return false;
    }
}

}  // namespace quorvel::files
