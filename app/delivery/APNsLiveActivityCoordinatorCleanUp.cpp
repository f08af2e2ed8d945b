// The launch clean-up of the broadcast channels this app made and no activity uses any more.
#include "app/delivery/APNsLiveActivityCoordinator.hpp"
#include "app/delivery/LoggedIdentifier.hpp"

namespace quorvel {

void APNsLiveActivityCoordinator::cleanUpOrphanChannels() {
    // The ends a former launch could not send go first; their channels count as in use. Their
    // sessions are gone, so each runs in a chain of its own, named by its channel.
    for (const std::string& channelID : endsToResume_) {
        if (const auto pending = records_.pendingEnds().find(channelID); pending != records_.pendingEnds().end()) {
            endActivity(channelID, channelID, pending->second, options_.clock->now());
        }
    }
    endsToResume_.clear();

    if (cleaningUp_) return;
    // Only channels this app made are ever deleted here: with none on record there is
    // nothing to list, and no reason to read the credentials (a locked keyring would ask the
    // user to unlock it at every start).
    if (records_.createdChannels().empty()) return;
    cleaningUp_ = true;
    // Only channels known before the listing was asked for can be missing from it.
    const std::vector<std::string> knownBefore = records_.createdChannels();
    work_.inBackground<LiveActivityRequests::Listing>(
        [requests = requests_] { return requests.listChannels(); },
        [this, knownBefore](LiveActivityRequests::Listing listed) {
            if (listed.failure) {
                logger_.info("Channel clean-up skipped: " + *listed.failure);
                cleaningUp_ = false;
                return;
            }
            if (!listed.channels) {
                // An answer that lists nothing tells nothing about what exists.
                deleteOrphans({});
                return;
            }
            forgetChannelsUnlisted(knownBefore, *listed.channels);
            deleteOrphans(std::move(*listed.channels));
        });
}

void APNsLiveActivityCoordinator::forgetChannelsUnlisted(const std::vector<std::string>& knownBefore,
                                                         const std::vector<std::string>& listed) {
    const std::set<std::string> present(listed.begin(), listed.end());
    const std::set<std::string> inUse = channelsInUse();
    std::vector<std::string> gone;
    for (const std::string& channelID : knownBefore) {
        if (present.count(channelID) == 0 && inUse.count(channelID) == 0) gone.push_back(channelID);
    }
    records_.forgetChannels(gone);
}

void APNsLiveActivityCoordinator::deleteOrphans(std::vector<std::string> listed) {
    // Decided here, on the main thread, against the table as it is now. A start records its
    // channel before it could be listed, so no channel of a start in flight is ever taken.
    const std::set<std::string> inUse = channelsInUse();
    std::vector<std::string> orphans;
    for (const std::string& channelID : listed) {
        if (records_.isCreated(channelID) && inUse.count(channelID) == 0) orphans.push_back(channelID);
    }
    work_.inBackground<LiveActivityRequests::Deletion>(
        [requests = requests_, orphans] { return requests.deleteChannels(orphans); },
        [this](LiveActivityRequests::Deletion result) {
            for (const std::string& channelID : result.deleted) {
                logger_.info("Deleted orphan channel " + loggedIdentifier(channelID));
            }
            std::vector<std::string> forgotten = result.deleted;
            forgotten.insert(forgotten.end(), result.gone.begin(), result.gone.end());
            records_.forgetChannels(forgotten);
            if (result.failure) logger_.info("Channel clean-up skipped: " + *result.failure);
            cleaningUp_ = false;
        });
}

}  // namespace quorvel
