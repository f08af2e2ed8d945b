#pragma once
// The phone's own record in the user's private iCloud zone: where to push, and what the
// phone wants of the Mac. Compared over every field, so any change of the record counts.
#include <optional>
#include <string>

#include "platform/Instant.hpp"

namespace quorvel {

struct PhoneDevice {
    /// The phone's APNs device token (hexadecimal text).
    std::string deviceToken;
    /// The phone's Live Activity push-to-start token, once it has one.
    std::optional<std::string> pushToStartToken;
    bool frequentPushesEnabled = false;
    std::string name;
    std::string systemVersion;
    /// When the phone last wrote its record.
    Instant updatedAt;
    /// The phone's wish for the Mac's always-push setting; absent when it has none.
    std::optional<bool> alwaysPush;

    bool operator==(const PhoneDevice&) const = default;
};

}  // namespace quorvel
