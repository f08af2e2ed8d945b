#pragma once
// One HTTPS request and its answer, behind an interface so services can be tested against
// a fake peer. An implementation sends exactly the headers it is given (plus what the
// protocol's framing needs) and refuses a header whose name or value could break the framing.
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Expected.hpp"
#include "platform/services/HttpError.hpp"

namespace quorvel {

/// Header fields in the order they are sent; names as given.
using HttpHeaderList = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    HttpHeaderList headers;
    /// Absent: no body at all (and no content-type or length for one).
    std::optional<std::string> body;
    std::chrono::milliseconds timeout{15000};
};

struct HttpResponse {
    int status = 0;
    /// Names in lower case, in the order received.
    HttpHeaderList headers;
    std::string body;

    /// The first value of the header `name` (compared without regard to case).
    std::optional<std::string> header(std::string_view name) const;
};

class HttpTransport {
public:
    /// The most body bytes an answer may hold. A peer run by someone else must not make the
    /// app hold more: a longer answer fails with `HttpError::Code::tooLarge` and its
    /// connection is dropped.
    static constexpr std::size_t answerLimitBytes = 1024 * 1024;

    virtual ~HttpTransport() = default;
    /// Sends `request` and waits for its whole answer. Any HTTP status is an answer, not an
    /// error; errors are failures to get one.
    virtual Expected<HttpResponse, HttpError> perform(const HttpRequest& request) = 0;
    /// Ends every request in flight now, and every later one at once, with
    /// `HttpError::Code::cancelled` (at quit, so that nobody waits for the network). Any thread.
    virtual void cancelAll() = 0;
};

/// True when `name` is a valid header name (an RFC 9110 token).
bool isValidHeaderName(std::string_view name);
/// True when `value` holds no CR, LF or NUL.
bool isValidHeaderValue(std::string_view value);

}  // namespace quorvel
