#pragma once
// One alert on its way to the phone.
#include <optional>
#include <string>

#include "kit/engine/Alert.hpp"
#include "kit/engine/InterruptionLevel.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct OutgoingPush {
    Alert::Kind kind = Alert::Kind::done;
    /// The agent session's identifier; "test" for a test push.
    std::string sessionID;
    std::string title;
    /// May be empty.
    std::string body;
    /// File name of a sound in the phone app ("fanfare.caf"); absent means a silent push.
    std::optional<std::string> sound;
    PushPayloads::InterruptionLevel interruptionLevel = PushPayloads::InterruptionLevel::active;
    /// When the alert was raised.
    Instant timestamp;
    std::optional<std::string> project;
    std::optional<std::string> runTitle;
    /// Seconds.
    std::optional<double> duration;

    bool operator==(const OutgoingPush&) const = default;
};

}  // namespace quorvel
