#pragma once
// A plain blocking TCP client for talking to the event server the way any peer could.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

namespace quorvel::testing {

class LoopbackClient {
public:
    explicit LoopbackClient(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~LoopbackClient() { close(); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connected() const { return connected_; }

    void send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t count = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (count <= 0) return;
            bytes.remove_prefix(static_cast<std::size_t>(count));
        }
    }

    /// Sends one byte at a time with a pause between them.
    void trickle(std::string_view bytes, std::chrono::milliseconds pause) {
        for (char byte : bytes) {
            send(std::string_view(&byte, 1));
            std::this_thread::sleep_for(pause);
        }
    }

    void finishSending() { ::shutdown(fd_, SHUT_WR); }

    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    /// True when the server has closed the connection already (nothing waited for).
    bool closedByServerNow() const {
        pollfd watch{fd_, POLLIN, 0};
        if (::poll(&watch, 1, 0) <= 0) return false;
        char byte;
        return ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
    }

    struct Reply {
        std::string bytes;
        bool closedByServer = false;  ///< end of input seen before the wait ran out
        double seconds = 0;           ///< time until end of input (or the wait ran out)
    };

    /// Everything the server sends until it closes, waiting at most `wait`.
    Reply readUntilClosed(std::chrono::milliseconds wait = std::chrono::milliseconds(5000)) {
        Reply reply;
        auto start = std::chrono::steady_clock::now();
        auto deadline = start + wait;
        char buffer[4096];
        while (true) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd watch{fd_, POLLIN, 0};
            if (::poll(&watch, 1, static_cast<int>(left.count())) <= 0) break;
            ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
            if (count <= 0) {
                reply.closedByServer = true;
                break;
            }
            reply.bytes.append(buffer, static_cast<std::size_t>(count));
        }
        reply.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return reply;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

}  // namespace quorvel::testing
