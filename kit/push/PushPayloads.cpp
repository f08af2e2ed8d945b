#include "kit/push/PushPayloads.hpp"

#include <cmath>
#include <limits>

namespace quorvel::PushPayloads {
namespace {

// JSON has no NaN or infinity; the writer would put "null" in their place without a word.
bool holdsNonFiniteNumber(const json::Json& value) {
    if (value.is_number_float()) return !std::isfinite(value.get<double>());
    if (value.is_structured()) {
        for (const auto& element : value) {
            if (holdsNonFiniteNumber(element)) return true;
        }
    }
    return false;
}

}  // namespace

std::string describe(const TooLarge& error) {
    return "The push is too large: " + std::to_string(error.bytes) + " bytes, the limit is " +
           std::to_string(error.limit) + ".";
}

std::string describe(const EncodeError& error) {
    if (const auto* tooLarge = std::get_if<TooLarge>(&error)) return describe(*tooLarge);
    return "The push could not be encoded: " + std::get<EncodingFailed>(error).message;
}

Expected<std::string, EncodeError> encode(const json::Json& dictionary, std::size_t limit) {
    if (holdsNonFiniteNumber(dictionary)) {
        return unexpected(EncodeError(EncodingFailed{"a number is not finite"}));
    }
    std::string text;
    try {
        // nlohmann's default object keeps its members in a std::map: sorted by key at every
        // level. Back in the ordered form the members keep that order for the writer.
        const nlohmann::json sorted(dictionary);
        text = json::dump(json::Json(sorted));
    } catch (const std::exception& error) {
        return unexpected(EncodeError(EncodingFailed{error.what()}));
    }
    if (text.size() > limit) {
        return unexpected(EncodeError(TooLarge{static_cast<std::int64_t>(text.size()), static_cast<std::int64_t>(limit)}));
    }
    return text;
}

Expected<std::string, EncodeError> alert(std::string_view title, std::string_view body,
                                         const std::optional<std::string>& sound, std::string_view threadID,
                                         InterruptionLevel interruptionLevel, std::string_view state,
                                         Instant timestamp, const json::Json& run) {
    json::Json alertDictionary = json::Json::object();
    alertDictionary["title"] = json::string(title);
    alertDictionary["body"] = json::string(body);

    json::Json aps = json::Json::object();
    aps["alert"] = std::move(alertDictionary);
    aps["mutable-content"] = 1;
    aps["thread-id"] = json::string(threadID);
    aps["interruption-level"] = json::string(rawValue(interruptionLevel));
    if (sound) aps["sound"] = json::string(*sound);

    json::Json custom = json::Json::object();
    custom["state"] = json::string(state);
    custom["session"] = json::string(threadID);
    custom["timestamp"] = unixWholeSeconds(timestamp);
    if (run.is_object() && !run.empty()) custom["run"] = run;

    json::Json payload = json::Json::object();
    payload["aps"] = std::move(aps);
    payload["quorvel"] = std::move(custom);
    return encode(payload, alertLimit);
}

std::int64_t truncatedSeconds(double seconds) {
    if (std::isnan(seconds)) return 0;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (seconds >= limit) return std::numeric_limits<std::int64_t>::max();
    if (seconds < -limit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::trunc(seconds));
}

}  // namespace quorvel::PushPayloads
