#include "app/core/InstanceChannel.hpp"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "app/core/InstanceName.hpp"

namespace quorvel {
namespace {

constexpr std::size_t longestWord = 64;
constexpr int answerWaitMilliseconds = 1000;
constexpr int wordWaitMilliseconds = 500;

/// The address of the socket at a path. A path too long for an address (the socket lives in
/// the home, which may lie deep) is reached through its folder opened as a descriptor,
/// "/proc/self/fd/<n>/<name>", which holds while the address does.
class SocketAddress {
public:
    explicit SocketAddress(const std::string& path) {
        address_.sun_family = AF_UNIX;
        if (InstanceChannel::isAbstract(path)) {
            if (path.size() > sizeof address_.sun_path) return;
            std::memcpy(address_.sun_path, path.data(), path.size());
            size_ = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
            valid_ = true;
            return;
        }
        std::string reachable = path;
        if (reachable.size() >= sizeof address_.sun_path) {
            folder_ = ::open(files::parentPath(path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (folder_ < 0) return;
            reachable = "/proc/self/fd/" + std::to_string(folder_) + "/" + files::fileName(path);
            if (reachable.size() >= sizeof address_.sun_path) return;
        }
        std::memcpy(address_.sun_path, reachable.c_str(), reachable.size() + 1);
        valid_ = true;
    }
    ~SocketAddress() {
        if (folder_ >= 0) ::close(folder_);
    }
    SocketAddress(const SocketAddress&) = delete;
    SocketAddress& operator=(const SocketAddress&) = delete;

    bool valid() const { return valid_; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&address_); }
    socklen_t size() const { return size_; }

private:
    sockaddr_un address_{};
    socklen_t size_ = sizeof(sockaddr_un);
    int folder_ = -1;
    bool valid_ = false;
};

// Reads up to a line break (or `longestWord` bytes), waiting at most `milliseconds` in all.
std::optional<std::string> readLine(int descriptor, int milliseconds) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (line.size() <= longestWord) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd wait{descriptor, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char buffer[32];
        const ssize_t got = ::recv(descriptor, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
        for (ssize_t index = 0; index < got; ++index) {
            if (buffer[index] == '\n') return line;
            line.push_back(buffer[index]);
        }
    }
    return std::nullopt;
}

void writeAll(int descriptor, std::string_view text) {
    while (!text.empty()) {
        const ssize_t sent = ::send(descriptor, text.data(), text.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(sent));
    }
}

bool sameUser(int descriptor) {
    ucred peer{};
    socklen_t length = sizeof peer;
    return ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::getuid();
}

}  // namespace

bool InstanceChannel::isAbstract(const std::string& path) { return !path.empty() && path.front() == '\0'; }

std::string InstanceChannel::addressFor(const QuorvelPaths& paths) { return instanceSocketName(paths, "launch"); }

std::string InstanceChannel::socketPathBeside(const std::string& lockPath) {
    const std::string suffix = ".lock";
    if (lockPath.size() >= suffix.size() && lockPath.compare(lockPath.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return lockPath.substr(0, lockPath.size() - suffix.size()) + ".sock";
    }
    return lockPath + ".sock";
}

Expected<InstanceChannel, files::FileError> InstanceChannel::listen(std::string path) {
    const SocketAddress address(path);
    if (!address.valid()) return unexpected(files::fileErrorFromErrno(ENAMETOOLONG, path));
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0) return unexpected(files::fileErrorFromErrno(errno, path));
    // Whoever held the lock before us is gone; its socket file may still be there.
    struct stat info {};
    if (!isAbstract(path) && ::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) ::unlink(path.c_str());
    const mode_t previous = ::umask(0077);
    const int bound = ::bind(descriptor, address.get(), address.size());
    const int bindError = errno;
    ::umask(previous);
    if (bound != 0 || ::listen(descriptor, 8) != 0) {
        const int code = bound != 0 ? bindError : errno;
        ::close(descriptor);
        return unexpected(files::fileErrorFromErrno(code, path));
    }
    return InstanceChannel(descriptor, std::move(path));
}

InstanceChannel::Delivery InstanceChannel::send(const std::string& path, LaunchRequest request,
                                                std::chrono::milliseconds patience) {
    const SocketAddress address(path);
    if (!address.valid()) return Delivery::nobodyListens;
    // Never blocking: a running copy that has stopped taking connections (paused, hung) fills
    // its queue, and a blocking connect would wait on it for as long as it stays so.
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0) return Delivery::unanswered;
    if (::connect(descriptor, address.get(), address.size()) != 0) {
        const int code = errno;
        ::close(descriptor);
        return code == ECONNREFUSED || code == ENOENT ? Delivery::nobodyListens : Delivery::unanswered;
    }
    writeAll(descriptor, std::string(launchRequestWord(request)) + "\n");
    const auto answer = readLine(descriptor, static_cast<int>(patience.count()));
    ::close(descriptor);
    return answer == std::optional<std::string>("ok") ? Delivery::taken : Delivery::unanswered;
}

InstanceChannel::InstanceChannel(InstanceChannel&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), path_(std::move(other.path_)) {}

InstanceChannel& InstanceChannel::operator=(InstanceChannel&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

InstanceChannel::~InstanceChannel() {
    if (descriptor_ < 0) return;
    ::close(descriptor_);
    if (!isAbstract(path_)) ::unlink(path_.c_str());
}

std::optional<LaunchRequest> InstanceChannel::receive() {
    if (descriptor_ < 0) return std::nullopt;
    const int peer = ::accept4(descriptor_, nullptr, nullptr, SOCK_CLOEXEC);
    if (peer < 0) return std::nullopt;
    std::optional<LaunchRequest> request;
    if (sameUser(peer)) {
        if (const auto word = readLine(peer, wordWaitMilliseconds)) request = launchRequestFromWord(*word);
    }
    writeAll(peer, request ? "ok\n" : "no\n");
    ::close(peer);
    return request;
}

}  // namespace quorvel
