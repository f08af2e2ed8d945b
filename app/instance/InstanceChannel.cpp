#include "app/instance/InstanceChannel.hpp"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "kit/engine/InstanceName.hpp"

namespace quorvel {
namespace {

constexpr std::size_t longestWord = 64;
/// What a launch that will show windows says after its word, after a space.
constexpr std::string_view displayMark = " display";

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

// For a connecting socket the credentials are the listener's, for an accepted one the
// connecting process's.
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
    const int watch = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event listening{};
    listening.events = EPOLLIN;
    listening.data.fd = descriptor;
    if (watch < 0 || ::epoll_ctl(watch, EPOLL_CTL_ADD, descriptor, &listening) != 0) {
        const int code = errno;
        if (watch >= 0) ::close(watch);
        ::close(descriptor);
        if (!isAbstract(path)) ::unlink(path.c_str());
        return unexpected(files::fileErrorFromErrno(code, path));
    }
    return InstanceChannel(watch, descriptor, std::move(path));
}

InstanceChannel::Delivery InstanceChannel::send(const std::string& path, LaunchRequest request,
                                                std::chrono::milliseconds patience, bool bringsDisplay) {
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
    if (!sameUser(descriptor)) {
        ::close(descriptor);
        return Delivery::stranger;
    }
    const bool asksToTakeOver = bringsDisplay && request != LaunchRequest::background;
    writeAll(descriptor, std::string(launchRequestWord(request)) + (asksToTakeOver ? std::string(displayMark) : "") + "\n");
    const auto answer = readLine(descriptor, static_cast<int>(patience.count()));
    ::close(descriptor);
    if (asksToTakeOver && answer == std::optional<std::string>("yield")) return Delivery::givenWay;
    return answer == std::optional<std::string>("ok") ? Delivery::taken : Delivery::unanswered;
}

InstanceChannel::InstanceChannel(InstanceChannel&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      listener_(std::exchange(other.listener_, -1)),
      path_(std::move(other.path_)),
      pending_(std::move(other.pending_)),
      givesWayToDisplays_(other.givesWayToDisplays_),
      gaveWay_(other.gaveWay_) {
    other.pending_.clear();
}

InstanceChannel& InstanceChannel::operator=(InstanceChannel&& other) noexcept {
    if (this != &other) {
        close();
        descriptor_ = std::exchange(other.descriptor_, -1);
        listener_ = std::exchange(other.listener_, -1);
        path_ = std::move(other.path_);
        pending_ = std::move(other.pending_);
        other.pending_.clear();
        givesWayToDisplays_ = other.givesWayToDisplays_;
        gaveWay_ = other.gaveWay_;
    }
    return *this;
}

InstanceChannel::~InstanceChannel() { close(); }

void InstanceChannel::close() {
    for (const Pending& peer : pending_) ::close(peer.descriptor);
    pending_.clear();
    if (descriptor_ >= 0) ::close(std::exchange(descriptor_, -1));
    if (listener_ < 0) return;
    ::close(std::exchange(listener_, -1));
    if (!isAbstract(path_)) ::unlink(path_.c_str());
}

void InstanceChannel::drop(int peer) {
    ::epoll_ctl(descriptor_, EPOLL_CTL_DEL, peer, nullptr);
    ::close(peer);
    std::erase_if(pending_, [peer](const Pending& waiting) { return waiting.descriptor == peer; });
}

void InstanceChannel::dropOverdue() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<int> overdue;
    for (const Pending& peer : pending_) {
        if (peer.heardBy <= now) overdue.push_back(peer.descriptor);
    }
    for (const int peer : overdue) drop(peer);
}

void InstanceChannel::acceptWaiting() {
    for (;;) {
        const int peer = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (peer < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return;
        }
        if (!sameUser(peer)) {
            writeAll(peer, "no\n");
            ::close(peer);
            continue;
        }
        // Room for the newest: a peer that keeps many connections open and silent costs the
        // oldest of them their turn, never the app its descriptors.
        if (pending_.size() >= pendingLimit) drop(pending_.front().descriptor);
        epoll_event readable{};
        readable.events = EPOLLIN | EPOLLRDHUP;
        readable.data.fd = peer;
        if (::epoll_ctl(descriptor_, EPOLL_CTL_ADD, peer, &readable) != 0) {
            ::close(peer);
            continue;
        }
        pending_.push_back(Pending{peer, {}, std::chrono::steady_clock::now() + wordWait});
    }
}

std::optional<LaunchRequest> InstanceChannel::hearFrom(int peer) {
    const auto found =
        std::find_if(pending_.begin(), pending_.end(), [peer](const Pending& waiting) { return waiting.descriptor == peer; });
    if (found == pending_.end()) {
        ::epoll_ctl(descriptor_, EPOLL_CTL_DEL, peer, nullptr);
        return std::nullopt;
    }
    std::string& said = found->said;
    bool ended = false;
    for (;;) {
        char buffer[32];
        const ssize_t got = ::recv(peer, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (got <= 0) {
            ended = true;
            break;
        }
        said.append(buffer, static_cast<std::size_t>(got));
        if (said.find('\n') != std::string::npos || said.size() > longestWord) break;
    }
    const std::size_t lineEnd = said.find('\n');
    const bool complete = lineEnd != std::string::npos || (ended && !said.empty());
    if (!complete) {
        // Too long to be a word of ours, or gone before saying one.
        if (said.size() > longestWord || ended) {
            if (said.size() > longestWord) writeAll(peer, "no\n");
            drop(peer);
        }
        return std::nullopt;
    }
    std::string_view line = std::string_view(said).substr(0, lineEnd);
    const bool bringsDisplay = line.ends_with(displayMark);
    if (bringsDisplay) line.remove_suffix(displayMark.size());
    const std::optional<LaunchRequest> request = launchRequestFromWord(line);
    const bool givesWay = request && bringsDisplay && givesWayToDisplays_ && *request != LaunchRequest::background;
    writeAll(peer, !request ? "no\n" : givesWay ? "yield\n" : "ok\n");
    drop(peer);
    if (givesWay) gaveWay_ = true;
    return request;
}

std::optional<LaunchRequest> InstanceChannel::receive() {
    if (descriptor_ < 0) return std::nullopt;
    dropOverdue();
    for (;;) {
        epoll_event event{};
        const int ready = ::epoll_wait(descriptor_, &event, 1, 0);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        if (event.data.fd == listener_) {
            acceptWaiting();
            continue;
        }
        if (auto request = hearFrom(event.data.fd)) return request;
    }
}

}  // namespace quorvel
