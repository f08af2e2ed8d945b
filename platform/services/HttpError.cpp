#include "platform/services/HttpError.hpp"

namespace quorvel {

HttpError HttpError::make(Code code, std::string detail) {
    const char* text = "An unknown network error occurred.";
    switch (code) {
        case Code::badURL: text = "The URL can't be used."; break;
        case Code::invalidRequest: text = "The request can't be sent: a header holds a line break or NUL."; break;
        case Code::cannotFindHost: text = "A server with the specified hostname could not be found."; break;
        case Code::cannotConnectToHost: text = "Could not connect to the server."; break;
        case Code::timedOut: text = "The request timed out."; break;
        case Code::secureConnectionFailed:
            text = "An SSL error has occurred and a secure connection to the server cannot be made.";
            break;
        case Code::networkConnectionLost: text = "The network connection was lost."; break;
        case Code::badServerResponse: text = "The server's answer is not an HTTP answer."; break;
        case Code::cancelled: text = "The request was cancelled."; break;
        case Code::tooLarge: text = "The answer was too large."; break;
        case Code::other: break;
    }
    return HttpError{code, text, std::move(detail)};
}

}  // namespace quorvel
