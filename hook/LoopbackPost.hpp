#pragma once
// The client half of the loopback event protocol: one request on a fresh TCP connection to
// 127.0.0.1, and only the status code of the reply read back. It answers quickly in every
// case: one deadline covers connecting, sending and reading.
#include <cerrno>
#include <string>
#include <string_view>

#include "kit/engine/Endpoint.hpp"
#include "platform/Expected.hpp"

namespace quorvel {

struct PostError {
    int code = 0;             ///< errno value (ETIMEDOUT, EBADMSG, ECONNREFUSED, ...)
    std::string description;  ///< strerror's text, e.g. "Connection refused"
    /// Whether the server had accepted the connection before it failed (a late or broken
    /// answer): something runs there and took the request.
    bool connected = false;

    static PostError fromErrno(int code, bool connected = false);

    /// Whether nothing can be running at the endpoint: the connection was refused or could not
    /// be tried. A time-out while connecting is not: a listener whose queue is full (a paused
    /// or swamped app) drops the attempt without refusing it.
    bool nothingListens() const { return !connected && code != ETIMEDOUT; }
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
/// or the error that ended the attempt.
Expected<int, PostError> post(std::string_view body, const Endpoint& endpoint,
                              double timeoutSeconds = postTimeoutSeconds);

}  // namespace quorvel
