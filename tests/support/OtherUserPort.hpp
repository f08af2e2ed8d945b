#pragma once
// Another local user ("nobody", uid 65534) on a loopback TCP port, as a child process forked
// as that user: a listener on the port the endpoint file names (taken at once, or the moment
// it is free), and a client that sends a request to the app's port. Anyone on the machine can
// do both: ports above 1024 are anyone's and /proc/net/tcp lists who listens where. Playing
// another user needs root; nothing is held otherwise. Fork it before the test starts threads.
// Free of any test framework.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "tests/support/OtherUserChild.hpp"

namespace quorvel::testing {

inline sockaddr_in loopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

class OtherUserPortListener {
public:
    enum class Taking {
        /// Binds the port at once, or not at all.
        now,
        /// Tries every millisecond until the port is free (its holder quits), for a minute.
        onceFree,
    };

    /// Listens on 127.0.0.1:`port` and answers every connection as the app does
    /// ("HTTP/1.1 202 Accepted"), after keeping whatever it was sent.
    OtherUserPortListener(std::uint16_t port, Taking taking)
        : child_([port, taking](const OtherUserChild::Tell& tell, int heard) { listen(port, taking, tell, heard); }) {}

    /// Whether it listens on the port within `timeout`.
    bool waitUntilHeld(std::chrono::milliseconds timeout) { return child_.waitUntilReady(timeout); }
    /// Whether it still listens: nothing done to it made it end.
    bool stillHeld() const { return child_.stillRunning(); }
    /// Everything it was sent so far, over all its connections.
    std::string heard() { return child_.heard(); }

private:
    // In the child: only system calls from here on.
    static void listen(std::uint16_t port, Taking taking, const OtherUserChild::Tell& tell, int heard) {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        const sockaddr_in address = loopbackAddress(port);
        for (int tries = 0; ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0;
             ++tries) {
            if (taking == Taking::now || tries > 60000) return tell('n');
            ::usleep(1000);
        }
        if (::listen(listener, 64) != 0) return tell('n');
        tell('y');
        constexpr char answer[] = "HTTP/1.1 202 Accepted\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        for (;;) {
            const int peer = ::accept(listener, nullptr, nullptr);
            if (peer < 0) continue;
            // Whatever comes within a moment is kept, then the answer a helper waits for.
            char buffer[4096];
            pollfd watch{peer, POLLIN, 0};
            while (::poll(&watch, 1, 200) == 1) {
                const ssize_t got = ::read(peer, buffer, sizeof buffer);
                if (got <= 0) break;
                (void)!::write(heard, buffer, static_cast<std::size_t>(got));
            }
            (void)!::send(peer, answer, sizeof answer - 1, MSG_NOSIGNAL);
            ::close(peer);
        }
    }

    OtherUserChild child_;
};

/// What "nobody" hears back for `request` sent to 127.0.0.1:`port`: everything until the
/// server closes (or three seconds pass). Absent when it couldn't connect, or without root.
inline std::optional<std::string> sendAsOtherUser(std::uint16_t port, const std::string& request) {
    OtherUserChild child([port, &request](const OtherUserChild::Tell& tell, int heard) {
        // Made as "nobody": a socket keeps the user who made it.
        const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = loopbackAddress(port);
        if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return tell('n');
        (void)!::send(socket, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[4096];
        pollfd watch{socket, POLLIN, 0};
        while (::poll(&watch, 1, 3000) == 1) {
            const ssize_t got = ::read(socket, buffer, sizeof buffer);
            if (got <= 0) break;
            (void)!::write(heard, buffer, static_cast<std::size_t>(got));
        }
        tell('y');
        // Until the parent has read it all and ends it.
        for (;;) ::pause();
    });
    if (!child.waitUntilReady(std::chrono::seconds(10))) return std::nullopt;
    return child.heard();
}

}  // namespace quorvel::testing
