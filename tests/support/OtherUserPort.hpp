#pragma once
// Another local user ("nobody", uid 65534) on a loopback TCP port, as a child process forked
// as that user: a listener on the port the endpoint file names (taken at once, or the moment
// it is free), and a client that sends a request to the app's port. Anyone on the machine can
// do both: ports above 1024 are anyone's and /proc/net/tcp lists who listens where. Playing
// another user needs root; nothing is held otherwise. Fork it before the test starts threads.
// Free of any test framework.
#include <arpa/inet.h>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace quorvel::testing {

/// In a child: becomes "nobody"; false when that is refused.
inline bool becomeNobody() {
    constexpr uid_t nobody = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setgid(nobody) == 0 && ::setuid(nobody) == 0;
}

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
    OtherUserPortListener(std::uint16_t port, Taking taking) {
        if (::geteuid() != 0) return;
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) return;
        if (::pipe2(heard_, O_CLOEXEC | O_NONBLOCK) != 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return;
        }
        child_ = ::fork();
        if (child_ == 0) {
            ::close(ready[0]);
            ::close(heard_[0]);
            listen(port, taking, ready[1], heard_[1]);
            ::_exit(0);
        }
        ready_ = ready[0];
        ::close(ready[1]);
        ::close(std::exchange(heard_[1], -1));
    }
    ~OtherUserPortListener() {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        for (const int end : {heard_[0], heard_[1], ready_}) {
            if (end >= 0) ::close(end);
        }
    }
    OtherUserPortListener(const OtherUserPortListener&) = delete;
    OtherUserPortListener& operator=(const OtherUserPortListener&) = delete;

    /// Whether it listens on the port within `timeout`.
    bool waitUntilHeld(std::chrono::milliseconds timeout) {
        if (held_ || ready_ < 0) return held_;
        pollfd watch{ready_, POLLIN, 0};
        char byte = 0;
        if (::poll(&watch, 1, static_cast<int>(timeout.count())) == 1 && ::read(ready_, &byte, 1) == 1) {
            held_ = byte == 'y';
        }
        return held_;
    }

    /// Whether it still listens: nothing done to it made it end.
    bool stillHeld() const { return held_ && ::waitpid(child_, nullptr, WNOHANG) == 0; }

    /// Everything it was sent so far, over all its connections.
    std::string heard() {
        char buffer[4096];
        ssize_t got = 0;
        while (heard_[0] >= 0 && (got = ::read(heard_[0], buffer, sizeof buffer)) > 0) {
            heardSoFar_.append(buffer, static_cast<std::size_t>(got));
        }
        return heardSoFar_;
    }

private:
    // In the child: only system calls from here on.
    static void listen(std::uint16_t port, Taking taking, int ready, int heard) {
        const auto tell = [ready](char byte) { (void)!::write(ready, &byte, 1); };
        if (!becomeNobody()) return tell('n');
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

    pid_t child_ = -1;
    int ready_ = -1;
    int heard_[2] = {-1, -1};
    bool held_ = false;
    std::string heardSoFar_;
};

/// What "nobody" hears back for `request` sent to 127.0.0.1:`port`, everything until the
/// server closes (or three seconds pass); absent when it couldn't connect, or without root.
inline std::optional<std::string> sendAsOtherUser(std::uint16_t port, const std::string& request) {
    if (::geteuid() != 0) return std::nullopt;
    int reply[2];
    if (::pipe2(reply, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(reply[0]);
        if (!becomeNobody()) ::_exit(1);
        // Made as "nobody": a socket keeps the user who made it.
        const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = loopbackAddress(port);
        if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) ::_exit(1);
        (void)!::send(socket, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[4096];
        pollfd watch{socket, POLLIN, 0};
        while (::poll(&watch, 1, 3000) == 1) {
            const ssize_t got = ::read(socket, buffer, sizeof buffer);
            if (got <= 0) break;
            (void)!::write(reply[1], buffer, static_cast<std::size_t>(got));
        }
        ::_exit(0);
    }
    ::close(reply[1]);
    std::string heard;
    char buffer[4096];
    for (ssize_t got = 0; child > 0 && (got = ::read(reply[0], buffer, sizeof buffer)) > 0;) {
        heard.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(reply[0]);
    int status = 0;
    if (child <= 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return heard;
}

}  // namespace quorvel::testing
