#pragma once
// Who is at the other end of a loopback TCP connection: the user owning the socket there. Any
// local user may listen on a loopback port above 1024 or connect to one, so a port number (or
// a token that was once read there) says nothing about who answers or who asks.
#include <sys/types.h>

#include <chrono>
#include <string>

#include "platform/Expected.hpp"

namespace quorvel {

struct ConnectionOwnerError {
    std::string message;  ///< plain text, e.g. "no socket at 127.0.0.1:4312 is set up yet"
};

class ConnectionOwner {
public:
    virtual ~ConnectionOwner() = default;

    /// The uid owning the socket at the far end of `socket`, a connected IPv4 TCP socket to
    /// this machine. Only a socket the far side has set up counts: one its listener has
    /// accepted or holds in its queue, or one that connected to us. One not set up yet (a
    /// handshake under way, a listener deferring the accept) is looked up again every
    /// millisecond for up to `settle`; then, or when the system tells nothing, an error. Never
    /// a guess. Any thread; blocks for `settle` at most, plus the look-ups themselves.
    virtual Expected<uid_t, ConnectionOwnerError> farEndOwner(int socket, std::chrono::milliseconds settle) const = 0;
};

}  // namespace quorvel
