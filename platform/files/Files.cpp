#include "platform/files/Files.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/SecureRandom.hpp"
#include "platform/files/FileDescriptors.hpp"

namespace quorvel::files {
namespace {

std::string errorText(int code) {
    char buffer[256];
    // GNU strerror_r: returns the text, which may or may not live in `buffer`.
    return strerror_r(code, buffer, sizeof buffer);
}

std::string_view withoutTrailingSeparators(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

}  // namespace

FileError fileErrorFromErrno(int code, std::string path) {
    if (code <= 0) code = EIO;
    std::string message = errorText(code);
    if (!path.empty()) message += ": " + path;
    return FileError{code, std::move(path), std::move(message)};
}

Expected<std::string, FileError> readFile(const std::string& path) {
    const int fd = openRetrying(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fileFailure(errno, path);
    std::string contents;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(fd);
            return fileFailure(code, path);
        }
        if (count == 0) break;
        contents.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(fd);
    return contents;
}

Expected<void, FileError> createDirectories(const std::string& path, mode_t mode) {
    const std::string_view full = withoutTrailingSeparators(path);
    if (full.empty()) return fileFailure(ENOENT, path);
    // Every prefix that ends before a separator, then the whole path.
    std::vector<std::string> prefixes;
    for (std::size_t at = full.find('/', 1); at != std::string_view::npos; at = full.find('/', at + 1)) {
        if (full[at - 1] != '/') prefixes.emplace_back(full.substr(0, at));
    }
    prefixes.emplace_back(full);
    for (const std::string& prefix : prefixes) {
        if (::mkdir(prefix.c_str(), mode) == 0) {
            // mkdir applied the umask; a new folder gets exactly `mode`. The umask only ever
            // removes bits, so the folder was never more open than asked for.
            if (::chmod(prefix.c_str(), mode) != 0) return fileFailure(errno, prefix);
            continue;
        }
        const int code = errno;
        if (code != EEXIST) return fileFailure(code, prefix);
        struct stat status {};
        if (::stat(prefix.c_str(), &status) != 0) return fileFailure(errno, prefix);
        if (!S_ISDIR(status.st_mode)) return fileFailure(ENOTDIR, prefix);
    }
    return {};
}

Expected<void, FileError> writeFileAtomically(const std::string& path, std::string_view bytes, mode_t mode) {
    const std::string name = fileName(path);
    if (name.empty() || name == "." || name == "..") return fileFailure(EISDIR, path);
    std::string temporary;
    try {
        temporary = joinPath(parentPath(path), "." + name + "." + random::makeUuidString());
    } catch (const std::exception&) {
        return fileFailure(EIO, path);
    }

    auto created = createExclusively(temporary, mode, [&](int fd) { return writeAll(fd, bytes) ? 0 : errno; });
    if (!created) return created;
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return fileFailure(code, path);
    }
    return {};
}

std::string parentPath(std::string_view path) {
    path = withoutTrailingSeparators(path);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    std::string_view parent = path.substr(0, slash);
    while (parent.size() > 1 && parent.back() == '/') parent.remove_suffix(1);
    if (parent.empty()) return "/";
    return std::string(parent);
}

std::string fileName(std::string_view path) {
    path = withoutTrailingSeparators(path);
    if (path == "/") return "";
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string joinPath(std::string_view base, std::string_view relative) {
    if (base.empty()) return std::string(relative);
    while (!relative.empty() && relative.front() == '/') relative.remove_prefix(1);
    while (base.size() > 1 && base.back() == '/') base.remove_suffix(1);
    if (relative.empty()) return std::string(base);
    std::string joined(base);
    if (joined.back() != '/') joined += '/';
    joined += relative;
    return joined;
}

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE) {
        buffer.resize(buffer.size() * 2);
    }
    if (found != nullptr && found->pw_dir != nullptr) return found->pw_dir;
    return "/";
}

}  // namespace quorvel::files
