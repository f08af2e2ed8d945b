#pragma once
// The exchanges with the push service behind each step of a Live Activity: the start (a new
// broadcast channel and the start payload to the phone's push-to-start token), an update and
// an end (broadcasts on the activity's channel, the end also deleting it), and the listing and
// deleting of channels for the launch clean-up. Each call blocks until the service has
// answered and returns what happened as a value; none keeps any state of its own.
//
// Threads: meant for background threads, any number at once (the delivery is thread-safe).
// `APNsDelivery::cancel` cuts every call short: its failure then says `cancelled`.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/delivery/APNsDelivery.hpp"
#include "kit/push/QuorvelLiveState.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct LiveActivityFailure {
    /// As the user reads it.
    std::string description;
    /// A refusal that the same request would meet again (a 4xx answer other than 429, a
    /// token that is no token).
    bool refusedForGood = false;
    /// Cut short at quit: the request may not have been sent at all.
    bool cancelled = false;
};

class LiveActivityRequests {
public:
    struct StartOutcome {
        /// The channel the start made, whether or not the start went through.
        std::optional<std::string> channelID;
        /// The made channel was deleted again after a failure.
        bool channelDeleted = false;
        std::optional<LiveActivityFailure> failure;
    };

    struct EndOutcome {
        /// The end's broadcast was accepted.
        bool sent = false;
        /// Its channel was deleted after it.
        bool channelDeleted = false;
        std::optional<LiveActivityFailure> failure;
    };

    struct Listing {
        /// Absent when the answer listed nothing, which tells nothing about what exists.
        std::optional<std::vector<std::string>> channels;
        std::optional<std::string> failure;
    };

    struct Deletion {
        std::vector<std::string> deleted;
        /// Answered 404: gone already.
        std::vector<std::string> gone;
        /// The first failure, after which nothing more was deleted.
        std::optional<std::string> failure;
    };

    explicit LiveActivityRequests(std::shared_ptr<APNsDelivery> delivery) : delivery_(std::move(delivery)) {}

    /// Makes a broadcast channel, hands its identifier to `channelMade` (on this thread, before
    /// anything more is sent) and pushes the start payload for `sessionID` to `token` (lower-case
    /// hexadecimal). A channel whose start then fails is deleted again.
    StartOutcome start(const std::string& sessionID, const QuorvelLiveState& live, const std::string& token, Instant now,
                       const std::function<void(const std::string&)>& channelMade) const;
    /// Broadcasts `live` on `channelID` with the given priority (5 or 10).
    std::optional<LiveActivityFailure> update(const std::string& channelID, const QuorvelLiveState& live, int priority,
                                              Instant now) const;
    /// Broadcasts the end `endState` on `channelID`, then deletes the channel; a refused end
    /// keeps it, as the phone may still show the activity.
    EndOutcome end(const std::string& channelID, const QuorvelLiveState& endState, Instant now) const;
    /// The topic's channels, as the service lists them.
    Listing listChannels() const;
    /// Deletes `channelIDs` in order; stops at the first failure.
    Deletion deleteChannels(const std::vector<std::string>& channelIDs) const;

private:
    std::shared_ptr<APNsDelivery> delivery_;
};

}  // namespace quorvel
