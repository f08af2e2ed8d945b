#pragma once
// HTTPS over libcurl: HTTP/2 where the server offers it (HTTP/1.1 otherwise), every request of
// one transport on one connection cache, so requests to the same host share a connection
// (multiplexed on HTTP/2). The transport owns one thread that drives all its transfers; any
// number of threads may call `perform` at once, each waiting only for its own answer.
//
// Only the given headers are sent: libcurl's own "Accept" and "Expect" are suppressed, no
// user agent is added, and redirects are not followed. Only https URLs are fetched. An answer
// is read up to `answerLimitBytes` of body and no further.
#include <memory>
#include <optional>
#include <string>

#include "platform/services/HttpTransport.hpp"

namespace quorvel {

class CurlHttpTransport final : public HttpTransport {
public:
    struct Options {
        /// Certificate authorities to trust instead of the system's (PEM file).
        std::optional<std::string> caFile;
    };

    /// Options from the environment: QUORVEL_CA_FILE names the CA file when set and not empty.
    static Options optionsFromEnvironment();

    explicit CurlHttpTransport(Options options = optionsFromEnvironment());
    /// Stops the transport's thread; requests still in flight end with `HttpError::cancelled`.
    ~CurlHttpTransport() override;

    CurlHttpTransport(const CurlHttpTransport&) = delete;
    CurlHttpTransport& operator=(const CurlHttpTransport&) = delete;

    Expected<HttpResponse, HttpError> perform(const HttpRequest& request) override;
    void cancelAll() override;

private:
    class Engine;
    std::unique_ptr<Engine> engine_;
};

}  // namespace quorvel
