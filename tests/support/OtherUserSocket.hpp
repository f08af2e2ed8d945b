#pragma once
// A socket of another local user ("nobody", uid 65534) on an abstract name, held by a child
// process forked as that user: what anyone on the machine can do with a name they can compute.
// Playing another user needs root; `held` is false otherwise (or when the name was taken). The
// child ends with this object. Free of any test framework.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>

#include "tests/support/OtherUserChild.hpp"

namespace quorvel::testing {

class OtherUserSocket {
public:
    enum class Behaviour {
        /// Bound, never listening: a connection is refused.
        silent,
        /// Listening with its queue filled: a connection that doesn't wait fails with EAGAIN.
        fullQueue,
        /// Listening and answering "ok" to every line it is sent, as our copy would.
        answering,
    };

    static constexpr uid_t nobody = OtherUserChild::nobody;

    /// `name` with its leading NUL.
    OtherUserSocket(const std::string& name, Behaviour behaviour)
        : child_([&name, behaviour](const OtherUserChild::Tell& tell, int heard) { squat(name, behaviour, tell, heard); }) {
        if (name.empty() || name.size() > sizeof(sockaddr_un::sun_path)) return;
        child_.waitUntilReady(std::chrono::milliseconds(-1));
    }

    bool held() const { return child_.ready(); }
    /// Whether it still holds the name: nothing done to it made it end.
    bool stillHeld() const { return child_.stillRunning(); }

    /// Everything sent to an answering socket so far, as it came.
    std::string heard() { return child_.heard(); }

private:
    // In the child: only system calls from here on.
    static void squat(const std::string& name, Behaviour behaviour, const OtherUserChild::Tell& tell, int heard) {
        if (name.empty() || name.size() > sizeof(sockaddr_un::sun_path)) return tell('n');
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.data(), name.size());
        const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::bind(socket, reinterpret_cast<const sockaddr*>(&address), length) != 0) return tell('n');
        if (behaviour == Behaviour::silent) {
            tell('y');
            for (;;) ::pause();
        }
        if (::listen(socket, behaviour == Behaviour::fullQueue ? 0 : 16) != 0) return tell('n');
        if (behaviour == Behaviour::fullQueue) {
            // Its own connections fill the queue; nothing is ever accepted.
            for (int count = 0; count < 256; ++count) {
                const int filler = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
                if (::connect(filler, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
                    ::close(filler);
                    break;
                }
            }
            tell('y');
            for (;;) ::pause();
        }
        tell('y');
        for (;;) {
            const int peer = ::accept(socket, nullptr, nullptr);
            if (peer < 0) continue;
            char buffer[128];
            const ssize_t got = ::read(peer, buffer, sizeof buffer);
            if (got > 0) (void)!::write(heard, buffer, static_cast<std::size_t>(got));
            (void)!::send(peer, "ok\n", 3, MSG_NOSIGNAL);
            ::close(peer);
        }
    }

    OtherUserChild child_;
};

}  // namespace quorvel::testing
