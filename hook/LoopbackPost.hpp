#pragma once
// The client half of the loopback event protocol: one request on a fresh TCP connection to
// 127.0.0.1, and only the status code of the reply read back. It answers quickly in every
// case: one deadline covers connecting, sending and reading. Nothing is sent to a socket that
// isn't this user's: any local user can listen on the port while the app is down.
#include <cerrno>
#include <string>
#include <string_view>

#include "kit/engine/Endpoint.hpp"
#include "platform/Expected.hpp"
#include "platform/network/ConnectionOwner.hpp"

namespace quorvel {

struct PostError {
    int code = 0;             ///< errno value (ETIMEDOUT, EBADMSG, ECONNREFUSED, ...)
    std::string description;  ///< strerror's text, e.g. "Connection refused"
    /// Whether the server had accepted the connection before it failed (a late or broken
    /// answer): something runs there and took the request.
    bool connected = false;
    /// The port is held by a socket that isn't this user's, or by one whose owner the system
    /// doesn't tell: nothing was sent to it.
    bool notOurs = false;

    static PostError fromErrno(int code, bool connected = false);

    /// Whether no app of ours can be running at the endpoint: the connection was refused or
    /// could not be tried, or the port is held by a socket not known to be ours. A time-out
    /// while connecting is not: a listener whose queue is full (a paused or swamped app) drops
    /// the attempt without refusing it.
    bool nothingListens() const { return notOurs || (!connected && code != ETIMEDOUT); }
};

/// Seconds the post may take in all before it gives up with ETIMEDOUT.
inline constexpr double postTimeoutSeconds = 0.8;

/// The request bytes: "POST /v1/events HTTP/1.1" with Host, bearer Authorization,
/// Content-Type, Content-Length and "Connection: close", then `body` unchanged.
std::string eventRequest(std::string_view body, std::string_view token);

/// The status code of a reply's first chunk: its second space-separated word as a decimal
/// integer; EBADMSG when there is no such word.
Expected<int, PostError> parseStatusLine(std::string_view content);

/// Posts `body` to the event server at `endpoint` and returns the status code it answers,
/// or the error that ended the attempt. Once connected, and before a byte is written, `owner`
/// tells who holds the far end (waiting within the deadline for the app's side of the
/// handshake, which a loaded machine may finish late): a socket of another uid, or one whose
/// owner it can't tell, ends the post with `notOurs` (EACCES), its description naming the
/// uid or the reason.
Expected<int, PostError> post(std::string_view body, const Endpoint& endpoint, double timeoutSeconds,
                              const ConnectionOwner& owner);
/// The same, asking the kernel (LinuxConnectionOwner).
Expected<int, PostError> post(std::string_view body, const Endpoint& endpoint,
                              double timeoutSeconds = postTimeoutSeconds);

}  // namespace quorvel
