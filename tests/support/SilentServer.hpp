#pragma once
// A loopback server that takes connections and never says a word: the kernel completes each
// connection (up to the backlog) and nothing ever answers, so a TLS client waits in its
// handshake until it gives up or is cancelled. Free of any test framework, so the benchmarks
// use it too.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace quorvel::testing {

class SilentServer {
public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 64) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            port_ = ntohs(address.sin_port);
        }
    }
    ~SilentServer() { ::close(fd_); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    /// 0 when it could not listen.
    std::uint16_t port() const { return port_; }
    /// "127.0.0.1:<port>", as a push-service host.
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    /// True once a client has connected (and is left waiting).
    bool hasWaitingConnection() const {
        pollfd waiting{fd_, POLLIN, 0};
        return ::poll(&waiting, 1, 0) == 1;
    }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace quorvel::testing
