#pragma once
// A socket of another local user ("nobody", uid 65534) on an abstract name, held by a child
// process forked as that user: what anyone on the machine can do with a name they can compute.
// Playing another user needs root; `held` is false otherwise (or when the name was taken). The
// child ends with this object. Free of any test framework.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

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

    static constexpr uid_t nobody = 65534;

    /// `name` with its leading NUL.
    OtherUserSocket(const std::string& name, Behaviour behaviour) {
        if (::geteuid() != 0 || name.empty() || name.size() > sizeof(sockaddr_un::sun_path)) return;
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
            squat(name, behaviour, ready[1], heard_[1]);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(std::exchange(heard_[1], -1));
        char byte = 0;
        held_ = child_ > 0 && ::read(ready[0], &byte, 1) == 1 && byte == 'y';
        ::close(ready[0]);
    }
    ~OtherUserSocket() {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        for (const int end : heard_) {
            if (end >= 0) ::close(end);
        }
    }
    OtherUserSocket(const OtherUserSocket&) = delete;
    OtherUserSocket& operator=(const OtherUserSocket&) = delete;

    bool held() const { return held_; }
    /// Whether it still holds the name: nothing done to it made it end.
    bool stillHeld() const { return held_ && ::waitpid(child_, nullptr, WNOHANG) == 0; }

    /// Everything sent to an answering socket so far, as it came.
    std::string heard() {
        char buffer[256];
        ssize_t got = 0;
        while (heard_[0] >= 0 && (got = ::read(heard_[0], buffer, sizeof buffer)) > 0) {
            heardSoFar_.append(buffer, static_cast<std::size_t>(got));
        }
        return heardSoFar_;
    }

private:
    // In the child: only system calls from here on.
    static void squat(const std::string& name, Behaviour behaviour, int ready, int heard) {
        const auto tell = [ready](char byte) { (void)!::write(ready, &byte, 1); };
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) return tell('n');
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

    pid_t child_ = -1;
    int heard_[2] = {-1, -1};
    bool held_ = false;
    std::string heardSoFar_;
};

}  // namespace quorvel::testing
