#include "kit/push/LiveActivityPayloads.hpp"

namespace quorvel::PushPayloads {
namespace {

Expected<json::Json, EncodeError> baseDictionary(const QuorvelLiveState& state, std::string_view event,
                                                 Instant timestamp) {
    json::Json aps = json::Json::object();
    aps["timestamp"] = unixWholeSeconds(timestamp);
    aps["event"] = json::string(event);
    try {
        aps["content-state"] = state.encode();
    } catch (const std::exception& error) {
        return unexpected(EncodeError(EncodingFailed{error.what()}));
    }
    return aps;
}

Expected<std::string, EncodeError> finished(json::Json aps) {
    json::Json payload = json::Json::object();
    payload["aps"] = std::move(aps);
    return encode(payload, liveActivityLimit);
}

}  // namespace

Expected<std::string, EncodeError> liveActivityStart(const QuorvelLiveState& state, std::string_view sessionID,
                                                     std::string_view channelID, std::string_view alertTitle,
                                                     std::string_view alertBody, Instant timestamp,
                                                     std::optional<Instant> staleDate) {
    auto aps = baseDictionary(state, "start", timestamp);
    if (!aps) return unexpected(aps.error());
    json::Json attributes = json::Json::object();
    attributes["sessionID"] = json::string(sessionID);
    json::Json alert = json::Json::object();
    alert["title"] = json::string(alertTitle);
    alert["body"] = json::string(alertBody);
    aps.value()["attributes-type"] = json::string(attributesType);
    aps.value()["attributes"] = std::move(attributes);
    aps.value()["alert"] = std::move(alert);
    aps.value()["input-push-channel"] = json::string(channelID);
    if (staleDate) aps.value()["stale-date"] = unixWholeSeconds(*staleDate);
    return finished(std::move(aps.value()));
}

Expected<std::string, EncodeError> liveActivityUpdate(const QuorvelLiveState& state, Instant timestamp,
                                                      std::optional<Instant> staleDate) {
    auto aps = baseDictionary(state, "update", timestamp);
    if (!aps) return unexpected(aps.error());
    if (staleDate) aps.value()["stale-date"] = unixWholeSeconds(*staleDate);
    return finished(std::move(aps.value()));
}

Expected<std::string, EncodeError> liveActivityEnd(const QuorvelLiveState& state, Instant timestamp,
                                                   Instant dismissalDate) {
    auto aps = baseDictionary(state, "end", timestamp);
    if (!aps) return unexpected(aps.error());
    aps.value()["dismissal-date"] = unixWholeSeconds(dismissalDate);
    return finished(std::move(aps.value()));
}

}  // namespace quorvel::PushPayloads
