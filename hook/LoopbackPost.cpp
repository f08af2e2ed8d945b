#include "hook/LoopbackPost.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/files/OwnedDescriptor.hpp"
#include "platform/network/LinuxConnectionOwner.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

/// The reply must show its status within this many bytes; fewer than the minimum are waited
/// for unless the server closes first.
constexpr std::size_t replyMinimumBytes = 12;
constexpr std::size_t replyMaximumBytes = 1024;

using SteadyClock = std::chrono::steady_clock;

/// Milliseconds left until `deadline`, for poll.
int millisecondsUntil(SteadyClock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    // Round up so a sub-millisecond remainder still waits instead of spinning.
    if (left < 0) return 0;
    return static_cast<int>(left) + 1;
}

Unexpected<PostError> failure(int code, bool connected = false) {
    return unexpected(PostError::fromErrno(code, connected));
}

/// Why the connected far end must not be sent the request, if it mustn't: it is another
/// user's, or the system can't say whose it is.
std::optional<PostError> refusalOfFarEnd(int socket, const ConnectionOwner& owner, std::uint16_t port,
                                         SteadyClock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    const auto found = owner.farEndOwner(socket, std::max(left, std::chrono::milliseconds(0)));
    const std::string portText = std::to_string(port);
    std::string description;
    if (!found) {
        description = "couldn't learn who holds port " + portText + " (" + found.error().message + ")";
    } else if (*found != ::geteuid()) {
        description = "port " + portText + " is held by uid " + std::to_string(*found) + ", not this user";
    } else {
        return std::nullopt;
    }
    return PostError{EACCES, std::move(description), false, true};
}

}  // namespace

PostError PostError::fromErrno(int code, bool connected) { return PostError{code, std::strerror(code), connected}; }

std::string eventRequest(std::string_view body, std::string_view token) {
    std::string request = "POST /v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer ";
    request += token;
    request += "\r\nContent-Type: application/json\r\nContent-Length: ";
    request += std::to_string(body.size());
    request += "\r\nConnection: close\r\n\r\n";
    request += body;
    return request;
}

Expected<int, PostError> parseStatusLine(std::string_view content) {
    if (!text::isValidUtf8(content)) content = {};
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < content.size() && words.size() < 2) {
        std::size_t end = content.find(' ', start);
        if (end == std::string_view::npos) end = content.size();
        if (end > start) words.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    if (words.size() < 2) return failure(EBADMSG);
    std::string_view code = words[1];
    // A leading "+" or "-" is part of a decimal integer too.
    bool negative = !code.empty() && code.front() == '-';
    if (!code.empty() && (code.front() == '+' || code.front() == '-')) code.remove_prefix(1);
    int status = 0;
    auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), status);
    if (code.empty() || error != std::errc() || end != code.data() + code.size()) return failure(EBADMSG);
    return negative ? -status : status;
}

Expected<int, PostError> post(std::string_view body, const Endpoint& endpoint, double timeoutSeconds) {
    return post(body, endpoint, timeoutSeconds, LinuxConnectionOwner());
}

Expected<int, PostError> post(std::string_view body, const Endpoint& endpoint, double timeoutSeconds,
                              const ConnectionOwner& owner) {
    if (endpoint.port == 0) return failure(EINVAL);
    auto deadline = SteadyClock::now() + std::chrono::duration_cast<SteadyClock::duration>(
                                             std::chrono::duration<double>(timeoutSeconds));

    OwnedDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.fd() < 0) return failure(errno);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(endpoint.port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS) {
        return failure(errno);
    }

    const std::string request = eventRequest(body, endpoint.token);
    std::size_t sent = 0;
    bool connected = false;
    char reply[replyMaximumBytes];
    std::size_t received = 0;

    // Sending and reading go on side by side: a server that answers early (413, 401) is heard
    // even while part of the request is still unsent.
    while (true) {
        pollfd watch{socket.fd(), static_cast<short>(POLLIN | (sent < request.size() ? POLLOUT : 0)), 0};
        int ready = ::poll(&watch, 1, millisecondsUntil(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return failure(errno, connected);
        if (ready == 0) return failure(ETIMEDOUT, connected);

        if (!connected) {
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) return failure(errno);
            if (error != 0) return failure(error);
            if (auto refusal = refusalOfFarEnd(socket.fd(), owner, endpoint.port, deadline)) {
                return unexpected(std::move(*refusal));
            }
            connected = true;
        }
        if (watch.revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t count = ::recv(socket.fd(), reply + received, replyMaximumBytes - received, 0);
            if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return failure(errno, true);
            if (count > 0) received += static_cast<std::size_t>(count);
            // The status is read from the first chunk once it is long enough, or from
            // whatever came before the server closed.
            if (count == 0 || received >= replyMinimumBytes) {
                auto status = parseStatusLine(std::string_view(reply, received));
                if (!status) return failure(status.error().code, true);
                return status;
            }
        }
        if ((watch.revents & POLLOUT) && sent < request.size()) {
            ssize_t count = ::send(socket.fd(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
            if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return failure(errno, true);
            if (count > 0) sent += static_cast<std::size_t>(count);
        }
        if (SteadyClock::now() >= deadline) return failure(ETIMEDOUT, connected);
    }
}

}  // namespace quorvel
