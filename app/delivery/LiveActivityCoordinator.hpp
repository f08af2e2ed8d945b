#pragma once
// Keeps the phone's Live Activities in step with the sessions. It handles and reports its
// own failures; the model only tells it what the sessions look like now.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "kit/engine/Session.hpp"
#include "kit/push/PhoneDevice.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class LiveActivityCoordinator {
public:
    virtual ~LiveActivityCoordinator() = default;

    /// Starts, updates or ends Live Activities so they follow `sessions`; returns at once.
    /// Main thread.
    virtual void reconcile(const std::vector<Session>& sessions, bool away, const std::optional<PhoneDevice>& phone,
                           Instant now) = 0;

    /// Deletes the broadcast channels this app made that no Live Activity uses any more;
    /// returns at once. Main thread.
    virtual void cleanUpOrphanChannels() = 0;

    /// At quit: cancels the requests in flight and waits at most `longest` for their outcomes
    /// to be recorded; what they meant to do is kept for the next start. Nothing is sent
    /// afterwards. False when some work was still running at the end of the wait (left
    /// behind: see `ThreadPoolWorkQueue`). Main thread.
    virtual bool stop(std::chrono::milliseconds longest) {
        (void)longest;
        return true;
    }

    /// The last thing that happened to a Live Activity, for the user. Main thread.
    virtual std::string report() const { return "No Live Activity yet"; }
};

}  // namespace quorvel
