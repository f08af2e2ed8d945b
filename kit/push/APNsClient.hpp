#pragma once
// The one speaker of the push service's HTTP/2 provider API: alert and Live Activity pushes
// to a device token, broadcast channels, and broadcasts. It reaches the service directly,
// signing each request with a provider token from the user's .p8 key, or through a relay that
// receives each request in a JSON envelope. The way is fixed when the client is made.
//
// Refusals are answers, not errors: every HTTP status comes back in `Response` and the caller
// decides. Errors are failures to get an answer (transport, URL), to sign, or to encode.
//
// Thread-safe: operations may run from several threads at once. The token cache is guarded by
// a lock that is never held across a network wait; requests in flight share one token.
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "kit/push/APNsHosts.hpp"
#include "kit/push/APNsJWTCache.hpp"
#include "kit/push/APNsJWTSigner.hpp"
#include "kit/push/PushPayloads.hpp"
#include "platform/Expected.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/services/HttpTransport.hpp"
#include "platform/services/WebUrl.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class APNsClient {
public:
    struct Relay {
        WebUrl url;
        std::string key;
    };
    /// How requests reach the service: directly with a signer, or through a relay.
    using Transport = std::variant<APNsJWTSigner, Relay>;

    struct Response {
        int status = 0;
        std::optional<std::string> reason;
        std::optional<std::string> apnsID;
        std::optional<std::string> channelID;
        /// The host the request went to (with its port where it has one); through a relay,
        /// the host the relay reports.
        std::string host;
        bool operator==(const Response&) const = default;
    };

    struct Answer {
        std::string body;
        Response response;
    };

    using Error = std::variant<HttpError, SigningKeyError, PushPayloads::EncodingFailed>;

    struct Options {
        APNsHosts hosts = APNsHosts::fromEnvironment();
        /// Absent: the client makes its own HTTPS transport (one connection cache per client).
        std::shared_ptr<HttpTransport> http;
        /// Absent: the system clock.
        std::shared_ptr<const Clock> clock;
    };

    explicit APNsClient(APNsJWTSigner signer);
    APNsClient(APNsJWTSigner signer, Options options);
    APNsClient(WebUrl relayURL, std::string relayKey);
    APNsClient(WebUrl relayURL, std::string relayKey, Options options);

    APNsClient(const APNsClient&) = delete;
    APNsClient& operator=(const APNsClient&) = delete;

    bool isRelay() const { return std::holds_alternative<Relay>(transport_); }
    /// Ends this client's requests in flight now, and every later one at once, with the
    /// transport's `cancelled` error (at quit). Any thread.
    void cancelRequests() { http_->cancelAll(); }
    const APNsHosts& hosts() const { return hosts_; }

    Expected<Response, Error> sendAlert(std::string_view deviceToken, std::string_view payload);
    Expected<Response, Error> sendLiveActivityUpdate(std::string_view token, std::string_view payload);
    /// The new channel's identifier comes back in `channelID`.
    Expected<Response, Error> createChannel();
    /// The app's channel identifiers; empty for any answer that does not list them.
    Expected<std::vector<std::string>, Error> listChannels();
    /// The same, but absent for an answer that does not list them (a refusal, a body of
    /// another form), so that an empty listing can be told from no listing.
    Expected<std::optional<std::vector<std::string>>, Error> listedChannels();
    Expected<Response, Error> deleteChannel(std::string_view channelID);
    /// Tries the production host, then (direct only) the broadcast host, until one accepts.
    Expected<Response, Error> broadcast(std::string_view channelID, std::string_view payload, int priority,
                                        double timeToLiveSeconds);

    /// The core sender: one request, read into a `Response`, and one log line.
    Expected<Answer, Error> send(std::string_view method, std::string_view host, std::string_view path,
                                 const HttpHeaderList& headers, const std::optional<std::string>& body);
    /// One request wrapped for the relay, and the relay's answer unwrapped.
    Expected<Answer, Error> sendViaRelay(const WebUrl& relayURL, const std::string& relayKey,
                                         std::string_view method, std::string_view path,
                                         const HttpHeaderList& headers, const std::optional<std::string>& body);

    /// The "apns-topic" of alerts and the app part of channel and broadcast paths: the phone
    /// app's bundle identifier.
    static const std::string& topic();
    /// `path` for the log: a device token after "/3/device/" cut to 8 characters and "…".
    static std::string shortenedPath(std::string_view path);

private:
    Expected<Response, Error> sendRefreshingToken(std::string_view method, std::string_view host,
                                                  std::string_view path, const HttpHeaderList& headers,
                                                  const std::optional<std::string>& body);
    Expected<std::string, SigningKeyError> currentToken();
    Expected<bool, SigningKeyError> refreshToken();

    Transport transport_;
    APNsHosts hosts_;
    std::shared_ptr<HttpTransport> http_;
    std::shared_ptr<const Clock> clock_;
    Logger logger_;
    std::mutex jwtMutex_;
    APNsJWTCache jwt_;  // guarded by jwtMutex_
};

/// The text a person is shown for a client error.
std::string describe(const APNsClient::Error& error);

}  // namespace quorvel
