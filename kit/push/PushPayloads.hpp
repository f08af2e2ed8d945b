#pragma once
// The serialiser shared by every push payload, and the alert payload built with it. Payloads
// are JSON with keys sorted at every level and slashes left unescaped, refused (never cut)
// when larger than the service's limit. Pure functions, no state.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "kit/engine/InterruptionLevel.hpp"
#include "platform/Expected.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::PushPayloads {

inline constexpr std::size_t alertLimit = 4096;
inline constexpr std::size_t liveActivityLimit = 5120;
inline constexpr std::string_view attributesType = "QuorvelAttributes";

/// A payload larger than its limit.
struct TooLarge {
    std::int64_t bytes = 0;
    std::int64_t limit = 0;
    bool operator==(const TooLarge&) const = default;
};

/// A value that JSON can't hold (a number that is not finite).
struct EncodingFailed {
    std::string message;
    bool operator==(const EncodingFailed&) const = default;
};

using EncodeError = std::variant<TooLarge, EncodingFailed>;

/// The text a person is shown for a payload that could not be made.
std::string describe(const EncodeError& error);
std::string describe(const TooLarge& error);

/// `dictionary` as compact JSON with sorted keys, or `TooLarge` when the text is longer than
/// `limit` bytes (exactly `limit` passes).
Expected<std::string, EncodeError> encode(const json::Json& dictionary, std::size_t limit);

/// The alert payload: "aps" (alert title and body, mutable content, thread, interruption
/// level, sound when given) and "quorvel" (state, session, Unix timestamp, run when not empty).
Expected<std::string, EncodeError> alert(std::string_view title, std::string_view body,
                                         const std::optional<std::string>& sound, std::string_view threadID,
                                         InterruptionLevel interruptionLevel, std::string_view state,
                                         Instant timestamp, const json::Json& run);

/// Whole seconds of `seconds`, cut toward zero; NaN gives 0 and values beyond the 64-bit range
/// the nearest end of it.
std::int64_t truncatedSeconds(double seconds);

/// `instant` as whole seconds since 1970, cut toward zero.
inline std::int64_t unixWholeSeconds(Instant instant) { return truncatedSeconds(instant.unixSeconds()); }

}  // namespace quorvel::PushPayloads
