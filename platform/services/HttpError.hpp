#pragma once
// Why an HTTP request got no answer. The codes follow the failures a caller tells apart
// (a URL that can't be used, a host that can't be found or reached, a timeout, a TLS failure,
// an answer that isn't HTTP); `message` is the text the user sees.
#include <string>

namespace quorvel {

struct HttpError {
    enum class Code {
        badURL,
        invalidRequest,          ///< a header or method that would break the request's framing
        cannotFindHost,
        cannotConnectToHost,
        timedOut,
        secureConnectionFailed,
        networkConnectionLost,
        badServerResponse,
        cancelled,
        tooLarge,                ///< an answer over `HttpTransport::answerLimitBytes`
        other,
    };

    Code code = Code::other;
    std::string message;
    /// The transport library's own words, for the log; not shown to the user.
    std::string detail;

    const std::string& description() const { return message; }
    bool operator==(const HttpError&) const = default;

    /// The error with the standard text for `code`.
    static HttpError make(Code code, std::string detail = {});
};

}  // namespace quorvel
