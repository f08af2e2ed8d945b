#include "kit/push/APNsClient.hpp"

#include <algorithm>
#include <chrono>

#include "kit/engine/Quorvel.hpp"
#include "kit/push/RelayEnvelope.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/services/CurlHttpTransport.hpp"
#include "platform/services/HttpsUrl.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

constexpr std::chrono::seconds directTimeout{15};
constexpr std::chrono::seconds relayTimeout{20};
constexpr std::string_view devicePathPrefix = "/3/device/";

std::string devicePath(std::string_view token) {
    // Encoded as one path segment: a token can never reach another path or host.
    return std::string(devicePathPrefix) + percentEncodedPathSegment(token);
}

std::string channelsPath() { return "/1/apps/" + APNsClient::topic() + "/channels"; }

void setHeader(HttpHeaderList& headers, std::string name, std::string value) {
    const auto same = std::find_if(headers.begin(), headers.end(), [&](const auto& header) { return header.first == name; });
    if (same != headers.end()) {
        same->second = std::move(value);
    } else {
        headers.emplace_back(std::move(name), std::move(value));
    }
}

/// The body as a JSON object, or an empty object for anything else.
json::Json objectFromBody(std::string_view body) {
    try {
        json::Json parsed = json::parse(body);
        if (parsed.is_object()) return parsed;
    } catch (const std::exception&) {
    }
    return json::Json::object();
}

std::optional<std::string> stringMember(const json::Json& object, const char* key) {
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

bool isSuccess(int status) { return status >= 200 && status <= 299; }

bool isExpiredProviderToken(const APNsClient::Response& response) {
    return response.status == 403 && response.reason == "ExpiredProviderToken";
}

}  // namespace

APNsClient::APNsClient(APNsJWTSigner signer) : APNsClient(std::move(signer), Options{}) {}

APNsClient::APNsClient(WebUrl relayURL, std::string relayKey)
    : APNsClient(std::move(relayURL), std::move(relayKey), Options{}) {}

APNsClient::APNsClient(APNsJWTSigner signer, Options options)
    : transport_(std::move(signer)),
      hosts_(std::move(options.hosts)),
      http_(options.http ? std::move(options.http) : std::make_shared<CurlHttpTransport>()),
      clock_(options.clock ? std::move(options.clock) : std::make_shared<SystemClock>()),
      logger_(Quorvel::macBundleID, "APNs") {}

APNsClient::APNsClient(WebUrl relayURL, std::string relayKey, Options options)
    : transport_(Relay{std::move(relayURL), std::move(relayKey)}),
      hosts_(std::move(options.hosts)),
      http_(options.http ? std::move(options.http) : std::make_shared<CurlHttpTransport>()),
      clock_(options.clock ? std::move(options.clock) : std::make_shared<SystemClock>()),
      logger_(Quorvel::macBundleID, "APNs") {}

const std::string& APNsClient::topic() {
    static const std::string value = Quorvel::iOSBundleID;
    return value;
}

std::string APNsClient::shortenedPath(std::string_view path) {
    if (path.rfind(devicePathPrefix, 0) != 0) return std::string(path);
    const std::string_view rest = path.substr(devicePathPrefix.size());
    if (text::characterCount(rest) <= 8) return std::string(path);
    return std::string(devicePathPrefix) + text::prefixCharacters(rest, 8) + "…";
}

Expected<std::string, SigningKeyError> APNsClient::currentToken() {
    std::lock_guard lock(jwtMutex_);
    return jwt_.token(std::get<APNsJWTSigner>(transport_), clock_->now());
}

Expected<bool, SigningKeyError> APNsClient::refreshToken() {
    std::lock_guard lock(jwtMutex_);
    return jwt_.refreshIfNeeded(std::get<APNsJWTSigner>(transport_), clock_->now());
}

Expected<APNsClient::Answer, APNsClient::Error> APNsClient::send(std::string_view method, std::string_view host,
                                                                 std::string_view path, const HttpHeaderList& headers,
                                                                 const std::optional<std::string>& body) {
    if (const auto* relay = std::get_if<Relay>(&transport_)) {
        return sendViaRelay(relay->url, relay->key, method, path, headers, body);
    }
    const std::optional<std::string> url = httpsUrl(host, path);
    if (!url) return unexpected(Error(HttpError::make(HttpError::Code::badURL)));

    auto token = currentToken();
    if (!token) return unexpected(Error(token.error()));

    HttpRequest request;
    request.method = std::string(method);
    request.url = *url;
    request.timeout = directTimeout;
    request.body = body;
    setHeader(request.headers, "authorization", "bearer " + token.value());
    if (body) setHeader(request.headers, "content-type", "application/json");
    for (const auto& [name, value] : headers) setHeader(request.headers, name, value);

    auto answer = http_->perform(request);
    if (!answer) return unexpected(Error(answer.error()));
    const HttpResponse& http = answer.value();

    Response response;
    response.status = http.status;
    response.reason = stringMember(objectFromBody(http.body), "reason");
    response.apnsID = http.header("apns-id");
    if (!response.apnsID) response.apnsID = http.header("apns-request-id");
    response.channelID = http.header("apns-channel-id");
    response.host = std::string(host);

    logger_.info(std::string(method) + " " + std::string(host) + shortenedPath(path) + " → " +
                 std::to_string(response.status) + " " + response.reason.value_or(""));
    return Answer{http.body, std::move(response)};
}

Expected<APNsClient::Answer, APNsClient::Error> APNsClient::sendViaRelay(const WebUrl& relayURL,
                                                                         const std::string& relayKey,
                                                                         std::string_view method, std::string_view path,
                                                                         const HttpHeaderList& headers,
                                                                         const std::optional<std::string>& body) {
    const RelayEnvelope envelope = RelayEnvelope::make(std::string(method), std::string(path), headers, body);
    HttpRequest request;
    request.method = "POST";
    request.url = relayURL.absoluteString();
    request.timeout = relayTimeout;
    try {
        request.body = json::dump(envelope.encode());
    } catch (const std::exception& error) {
        return unexpected(Error(PushPayloads::EncodingFailed{error.what()}));
    }
    request.headers = {{"authorization", "Bearer " + relayKey}, {"content-type", "application/json"}};

    auto answer = http_->perform(request);
    if (!answer) return unexpected(Error(answer.error()));
    const HttpResponse& http = answer.value();
    const json::Json object = objectFromBody(http.body);

    Response response;
    if (http.status != 200) {
        const std::string message =
            stringMember(object, "error").value_or("relay answered " + std::to_string(http.status));
        // The phone's token is as good as a password to whoever holds a relay key: shortened
        // like every other line that names it.
        logger_.error("Relay refused " + std::string(method) + " " + shortenedPath(path) + ": " + message);
        response.status = http.status;
        response.reason = message;
        response.host = relayURL.host().value_or("relay");
        return Answer{std::string(), std::move(response)};
    }

    if (const auto status = object.find("status"); status != object.end() && status->is_number_integer()) {
        try {
            const auto value = status->get<std::int64_t>();
            if (value >= INT32_MIN && value <= INT32_MAX) response.status = static_cast<int>(value);
        } catch (const std::exception&) {
        }
    }
    response.reason = stringMember(object, "reason");
    response.apnsID = stringMember(object, "apnsID");
    response.channelID = stringMember(object, "channelID");
    response.host = stringMember(object, "host").value_or("relay");
    logger_.info("relay " + std::string(method) + " " + shortenedPath(path) + " → " + std::to_string(response.status) +
                 " " + response.reason.value_or(""));
    return Answer{stringMember(object, "body").value_or(""), std::move(response)};
}

Expected<APNsClient::Response, APNsClient::Error> APNsClient::sendRefreshingToken(
    std::string_view method, std::string_view host, std::string_view path, const HttpHeaderList& headers,
    const std::optional<std::string>& body) {
    auto first = send(method, host, path, headers, body);
    if (!first) return unexpected(first.error());
    if (isRelay() || !isExpiredProviderToken(first->response)) return first->response;
    auto refreshed = refreshToken();
    if (!refreshed) return unexpected(Error(refreshed.error()));
    if (!refreshed.value()) return first->response;
    auto second = send(method, host, path, headers, body);
    if (!second) return unexpected(second.error());
    return second->response;
}

Expected<APNsClient::Response, APNsClient::Error> APNsClient::sendAlert(std::string_view deviceToken,
                                                                        std::string_view payload) {
    const HttpHeaderList headers = {{"apns-topic", topic()}, {"apns-push-type", "alert"}, {"apns-priority", "10"}};
    return sendRefreshingToken("POST", hosts_.production, devicePath(deviceToken), headers, std::string(payload));
}

Expected<APNsClient::Response, APNsClient::Error> APNsClient::sendLiveActivityUpdate(std::string_view token,
                                                                                     std::string_view payload) {
    const HttpHeaderList headers = {{"apns-topic", topic() + ".push-type.liveactivity"},
                                    {"apns-push-type", "liveactivity"},
                                    {"apns-priority", "10"}};
    return sendRefreshingToken("POST", hosts_.production, devicePath(token), headers, std::string(payload));
}

Expected<APNsClient::Response, APNsClient::Error> APNsClient::createChannel() {
    static const std::string body = R"({"message-storage-policy": 1, "push-type": "LiveActivity"})";
    return sendRefreshingToken("POST", hosts_.channelManagement, channelsPath(), {}, body);
}

Expected<std::vector<std::string>, APNsClient::Error> APNsClient::listChannels() {
    auto listed = listedChannels();
    if (!listed) return unexpected(listed.error());
    return listed->value_or(std::vector<std::string>());
}

Expected<std::optional<std::vector<std::string>>, APNsClient::Error> APNsClient::listedChannels() {
    auto answer = send("GET", hosts_.channelManagement, "/1/apps/" + topic() + "/all-channels", {}, std::nullopt);
    if (!answer) return unexpected(answer.error());
    if (!isSuccess(answer->response.status)) return std::optional<std::vector<std::string>>();
    const json::Json object = objectFromBody(answer->body);
    const auto list = object.find("channels");
    if (list == object.end() || !list->is_array()) return std::optional<std::vector<std::string>>();
    std::vector<std::string> channels;
    for (const auto& element : *list) {
        if (!element.is_string()) return std::optional<std::vector<std::string>>();
        channels.push_back(element.get<std::string>());
    }
    return std::optional<std::vector<std::string>>(std::move(channels));
}

Expected<APNsClient::Response, APNsClient::Error> APNsClient::deleteChannel(std::string_view channelID) {
    const HttpHeaderList headers = {{"apns-channel-id", std::string(channelID)}};
    return sendRefreshingToken("DELETE", hosts_.channelManagement, channelsPath(), headers, std::nullopt);
}

Expected<APNsClient::Response, APNsClient::Error> APNsClient::broadcast(std::string_view channelID,
                                                                        std::string_view payload, int priority,
                                                                        double timeToLiveSeconds) {
    const std::string expiration =
        std::to_string(PushPayloads::unixWholeSeconds(clock_->now().adding(timeToLiveSeconds)));
    const HttpHeaderList headers = {{"apns-channel-id", std::string(channelID)},
                                    {"apns-push-type", "liveactivity"},
                                    {"apns-expiration", expiration},
                                    {"apns-priority", std::to_string(priority)}};
    const std::string path = "/4/broadcasts/apps/" + topic();
    std::vector<std::string> hostList = {hosts_.production};
    if (!isRelay()) hostList.push_back(hosts_.broadcast);

    std::optional<Response> lastAnswer;
    for (std::size_t index = 0; index < hostList.size(); ++index) {
        const std::string& host = hostList[index];
        auto answer = sendRefreshingToken("POST", host, path, headers, std::string(payload));
        if (!answer) {
            logger_.error("Broadcast via " + host + " failed: " + describe(answer.error()));
            if (index + 1 == hostList.size()) return unexpected(answer.error());
            continue;
        }
        if (isSuccess(answer->status)) return answer.value();
        lastAnswer = answer.value();
    }
    if (!lastAnswer) return unexpected(Error(HttpError::make(HttpError::Code::cannotFindHost)));
    return *lastAnswer;
}

std::string describe(const APNsClient::Error& error) {
    return std::visit(
        [](const auto& cause) -> std::string {
            using Cause = std::decay_t<decltype(cause)>;
            if constexpr (std::is_same_v<Cause, PushPayloads::EncodingFailed>) {
                return "The request could not be encoded: " + cause.message;
            } else {
                return cause.description();
            }
        },
        error);
}

}  // namespace quorvel
