#pragma once
// A loopback port held by a listening socket, for tests of what happens when the port someone
// wants is taken.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace quorvel::testing {

class PortHolder {
public:
    explicit PortHolder(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        // The last connections of an app that just ended may still linger on the port; they
        // don't keep a listener from taking it.
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        held_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 1) == 0;
    }
    ~PortHolder() { ::close(fd_); }
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;

    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

}  // namespace quorvel::testing
