#pragma once
// The three Live Activity payloads: start (pushed to the phone's push-to-start token), update
// and end (both broadcast on the activity's channel). Each carries the content state as its
// JSON form, the times as whole Unix seconds cut toward zero, and is refused, never cut, when
// larger than the Live Activity limit. Pure functions.
#include <optional>
#include <string>
#include <string_view>

#include "kit/push/PushPayloads.hpp"
#include "kit/push/QuorvelLiveState.hpp"
#include "platform/Expected.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::PushPayloads {

/// Starts an activity of type `attributesType` for `sessionID`, with an alert, listening on
/// `channelID` for later broadcasts.
Expected<std::string, EncodeError> liveActivityStart(const QuorvelLiveState& state, std::string_view sessionID,
                                                     std::string_view channelID, std::string_view alertTitle,
                                                     std::string_view alertBody, Instant timestamp,
                                                     std::optional<Instant> staleDate);

Expected<std::string, EncodeError> liveActivityUpdate(const QuorvelLiveState& state, Instant timestamp,
                                                      std::optional<Instant> staleDate);

/// The final state; the phone removes the activity at `dismissalDate`.
Expected<std::string, EncodeError> liveActivityEnd(const QuorvelLiveState& state, Instant timestamp,
                                                   Instant dismissalDate);

}  // namespace quorvel::PushPayloads
