#include "platform/network/AbstractSocketProbe.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

namespace quorvel {

bool someoneListensOn(const std::string& name) {
    sockaddr_un address{};
    if (name.empty() || name.size() > sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0) return false;
    const bool listened = ::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), length) == 0 ||
                          errno == EAGAIN;
    ::close(descriptor);
    return listened;
}

}  // namespace quorvel
