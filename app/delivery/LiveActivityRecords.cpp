#include "app/delivery/LiveActivityRecords.hpp"

#include <algorithm>
#include <optional>

#include "kit/engine/StoredDefaults.hpp"

namespace quorvel {

json::Json LiveActivityRecords::Active::encode() const {
    json::Json object = json::Json::object();
    object["channelID"] = json::string(channelID);
    object["lastState"] = lastState.encode();
    return object;
}

LiveActivityRecords::Active LiveActivityRecords::Active::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "Active");
    return Active{json::requireString(object, "channelID"),
                  QuorvelLiveState::decode(json::requireMember(object, "lastState"))};
}

LiveActivityRecords::LiveActivityRecords(std::shared_ptr<KeyValueStore> defaults, Logger logger)
    : defaults_(std::move(defaults)), logger_(std::move(logger)) {
    load();
}

void LiveActivityRecords::load() {
    if (const std::optional<json::Json> stored = defaults_->value(StoredDefaults::liveActivitiesActive)) {
        try {
            std::map<std::string, Active> restored;
            for (const auto& [sessionID, entry] : json::requireObject(*stored, "liveActivitiesActive").items()) {
                restored.emplace(sessionID, Active::decode(entry));
            }
            active_ = std::move(restored);
        } catch (const std::exception& error) {
            // The stored data stays until the next change of the table writes over it.
            logger_.error(std::string("Forgot the active Live Activities: ") + error.what());
        }
    }

    if (const std::optional<json::Json> stored = defaults_->value(StoredDefaults::liveActivitiesEnding);
        stored && stored->is_object()) {
        for (const auto& [channelID, endState] : stored->items()) {
            try {
                pendingEnds_.emplace(channelID, QuorvelLiveState::decode(endState));
            } catch (const std::exception& error) {
                // Its channel is still on the list of made channels: the clean-up deletes it.
                logger_.error("Forgot an unsent Live Activity end: " + std::string(error.what()));
            }
        }
    }

    std::vector<std::string> made;
    if (const std::optional<json::Json> stored = defaults_->value(StoredDefaults::liveActivityChannels);
        stored && stored->is_array()) {
        for (const auto& channel : *stored) {
            if (channel.is_string()) made.push_back(channel.get<std::string>());
        }
    }
    for (const auto& [sessionID, entry] : active_) made.push_back(entry.channelID);
    for (const auto& [channelID, endState] : pendingEnds_) made.push_back(channelID);
    for (const std::string& channelID : made) {
        if (!isCreated(channelID)) createdChannels_.push_back(channelID);
    }
    trimChannels(recordedChannels());
}

void LiveActivityRecords::setActive(const std::string& sessionID, Active entry) {
    active_[sessionID] = std::move(entry);
    saveActive();
}

void LiveActivityRecords::removeActive(const std::string& sessionID) {
    active_.erase(sessionID);
    saveActive();
}

void LiveActivityRecords::setPendingEnd(const std::string& channelID, QuorvelLiveState endState) {
    pendingEnds_[channelID] = std::move(endState);
    savePendingEnds();
}

void LiveActivityRecords::removePendingEnd(const std::string& channelID) {
    pendingEnds_.erase(channelID);
    savePendingEnds();
}

std::set<std::string> LiveActivityRecords::recordedChannels() const {
    std::set<std::string> channels;
    for (const auto& [sessionID, entry] : active_) channels.insert(entry.channelID);
    for (const auto& [channelID, endState] : pendingEnds_) channels.insert(channelID);
    return channels;
}

bool LiveActivityRecords::isCreated(const std::string& channelID) const {
    return std::find(createdChannels_.begin(), createdChannels_.end(), channelID) != createdChannels_.end();
}

void LiveActivityRecords::rememberChannel(const std::string& channelID, const std::set<std::string>& inUse) {
    if (isCreated(channelID)) return;
    createdChannels_.push_back(channelID);
    trimChannels(inUse);
    saveChannels();
}

void LiveActivityRecords::trimChannels(const std::set<std::string>& inUse) {
    if (createdChannels_.size() <= createdChannelsCap) return;
    // A channel in use that drops off is still deleted by its activity's end.
    std::size_t excess = createdChannels_.size() - createdChannelsCap;
    std::vector<std::string> kept;
    kept.reserve(createdChannelsCap);
    for (const std::string& channelID : createdChannels_) {
        if (excess > 0 && inUse.count(channelID) == 0) {
            --excess;
            continue;
        }
        kept.push_back(channelID);
    }
    if (kept.size() > createdChannelsCap) kept.erase(kept.begin(), kept.end() - createdChannelsCap);
    createdChannels_ = std::move(kept);
}

void LiveActivityRecords::forgetChannels(const std::vector<std::string>& channelIDs) {
    const std::set<std::string> forgotten(channelIDs.begin(), channelIDs.end());
    if (std::erase_if(createdChannels_, [&](const std::string& channelID) { return forgotten.count(channelID) != 0; }) >
        0) {
        saveChannels();
    }
}

void LiveActivityRecords::saveActive() {
    json::Json table = json::Json::object();
    try {
        for (const auto& [sessionID, entry] : active_) table[sessionID] = entry.encode();
    } catch (const std::exception& error) {
        logger_.error(std::string("Could not remember active Live Activities: ") + error.what());
        return;
    }
    defaults_->set(StoredDefaults::liveActivitiesActive, table);
}

void LiveActivityRecords::savePendingEnds() {
    json::Json table = json::Json::object();
    for (const auto& [channelID, endState] : pendingEnds_) table[channelID] = endState.encode();
    defaults_->set(StoredDefaults::liveActivitiesEnding, table);
}

void LiveActivityRecords::saveChannels() {
    json::Json list = json::Json::array();
    for (const std::string& channelID : createdChannels_) list.push_back(json::string(channelID));
    defaults_->set(StoredDefaults::liveActivityChannels, list);
}

}  // namespace quorvel
