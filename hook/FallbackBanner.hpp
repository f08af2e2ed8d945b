#pragma once
// What the helper tells the user itself when it can't reach the app or start it: only the
// events a user must not miss get a banner.
#include <optional>
#include <string>

#include "kit/engine/HookEvent.hpp"

namespace quorvel {

struct FallbackBanner {
    std::string title;
    std::string body;

    bool operator==(const FallbackBanner&) const = default;
};

/// "DONE. GO LOOK." for a stop without background tasks, "CRASHED. <reason>." for a failed
/// stop, "OI. NEEDS YOU." for a notification other than the idle prompt; nothing otherwise.
std::optional<FallbackBanner> fallbackBanner(const HookEvent& event);

}  // namespace quorvel
