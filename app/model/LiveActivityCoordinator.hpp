#pragma once
// Keeps the phone's Live Activities in step with the sessions. It handles and reports its
// own failures; the model only tells it what the sessions look like now.
#include <optional>
#include <vector>

#include "app/model/PhoneDevice.hpp"
#include "kit/engine/Session.hpp"
#include "platform/Instant.hpp"

namespace quorvel {

class LiveActivityCoordinator {
public:
    virtual ~LiveActivityCoordinator() = default;

    /// Starts, updates or ends Live Activities so they follow `sessions`; returns at once.
    /// Main thread.
    virtual void reconcile(const std::vector<Session>& sessions, bool away, const std::optional<PhoneDevice>& phone,
                           Instant now) = 0;

    /// Deletes the broadcast channels that no active Live Activity uses. May wait on the
    /// network, so the model calls it off the main thread.
    virtual void cleanUpOrphanChannels() = 0;
};

}  // namespace quorvel
