#include "kit/push/RelayEnvelope.hpp"

#include "platform/text/Base64.hpp"

namespace quorvel {

std::string RelayEnvelope::targetFor(std::string_view path) {
    if (path.rfind("/4/broadcasts/", 0) == 0) return "broadcast";
    if (path.rfind("/1/apps/", 0) == 0) return "channel";
    return "push";
}

RelayEnvelope RelayEnvelope::make(std::string method, std::string path, HttpHeaderList headers,
                                  std::optional<std::string> body) {
    std::string target = targetFor(path);
    return RelayEnvelope{std::move(target), std::move(method), std::move(path), std::move(headers), std::move(body)};
}

json::Json RelayEnvelope::encode() const {
    json::Json headerObject = json::Json::object();
    for (const auto& [name, value] : headers) headerObject[name] = json::string(value);
    json::Json envelope = json::Json::object();
    envelope["target"] = target;
    envelope["method"] = json::string(method);
    envelope["path"] = json::string(path);
    envelope["headers"] = std::move(headerObject);
    if (body) envelope["body"] = base64::encode(*body);
    return envelope;
}

}  // namespace quorvel
