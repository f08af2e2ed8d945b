#pragma once
// What the Live Activities leave for the next launch, kept in the user defaults and written
// on every change: which activity belongs to which session
// (`StoredDefaults::liveActivitiesActive`), the ends not sent yet (`liveActivitiesEnding`) and
// the broadcast channels this app made (`liveActivityChannels`, oldest first, at most
// `createdChannelsCap`). A stored table that cannot be read is forgotten with a log line and
// written over by the next change.
//
// Not thread-safe: used by one thread (the main thread).
#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "kit/push/QuorvelLiveState.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/stores/KeyValueStore.hpp"

namespace quorvel {

class LiveActivityRecords {
public:
    /// One activity believed to run on the phone.
    struct Active {
        /// The broadcast channel its updates and end go to.
        std::string channelID;
        /// The content state the phone was last sent successfully.
        QuorvelLiveState lastState;

        json::Json encode() const;
        static Active decode(const json::Json& value);
        bool operator==(const Active&) const = default;
    };

    static constexpr std::size_t createdChannelsCap = 256;

    /// Reads all three from `defaults`. Every recorded activity's and unsent end's channel
    /// counts as made here, also when the list of made channels was lost.
    LiveActivityRecords(std::shared_ptr<KeyValueStore> defaults, Logger logger);

    /// Session identifier → activity.
    const std::map<std::string, Active>& active() const { return active_; }
    void setActive(const std::string& sessionID, Active entry);
    void removeActive(const std::string& sessionID);

    /// Channel → the end state of an end asked for and not sent yet.
    const std::map<std::string, QuorvelLiveState>& pendingEnds() const { return pendingEnds_; }
    void setPendingEnd(const std::string& channelID, QuorvelLiveState endState);
    void removePendingEnd(const std::string& channelID);

    /// The channels of the recorded activities and unsent ends.
    std::set<std::string> recordedChannels() const;

    /// The channels this app made and has not deleted yet, oldest first.
    const std::vector<std::string>& createdChannels() const { return createdChannels_; }
    bool isCreated(const std::string& channelID) const;
    /// Adds a made channel; beyond the cap the oldest go, those in `inUse` only when nothing
    /// else is left to drop.
    void rememberChannel(const std::string& channelID, const std::set<std::string>& inUse);
    void forgetChannels(const std::vector<std::string>& channelIDs);

private:
    void load();
    void trimChannels(const std::set<std::string>& inUse);
    void saveActive();
    void savePendingEnds();
    void saveChannels();

    std::shared_ptr<KeyValueStore> defaults_;
    Logger logger_;
    std::map<std::string, Active> active_;
    std::map<std::string, QuorvelLiveState> pendingEnds_;
    std::vector<std::string> createdChannels_;
};

}  // namespace quorvel
