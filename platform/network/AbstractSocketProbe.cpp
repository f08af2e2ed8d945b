#include "platform/network/AbstractSocketProbe.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>

namespace quorvel {

bool thisUserListensOn(const std::string& name) {
    sockaddr_un address{};
    if (name.empty() || name.size() > sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0) return false;
    bool ours = false;
    if (::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        // The listener's credentials as they were when it called listen().
        ucred credentials{};
        socklen_t size = sizeof credentials;
        ours = ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
               credentials.uid == ::getuid();
    }
    ::close(descriptor);
    return ours;
}

}  // namespace quorvel
