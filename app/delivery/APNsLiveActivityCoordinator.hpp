#pragma once
// Keeps one Live Activity on the phone for each session that runs while the user is away:
// a start makes a broadcast channel and pushes the start payload to the phone's push-to-start
// token; updates and the end are broadcasts on that channel, and a successful end deletes
// the channel. Which activity belongs to which session survives restarts ("liveActivitiesActive"),
// and so does the list of channels this app made ("liveActivityChannels"), so that the launch
// clean-up deletes only its own leftovers, never channels of others behind a shared relay.
//
// Threads: every member is used on the main thread only. Keyring reads and requests run on
// the background threads of `WorkThreads` with the `now` of the reconcile that asked for
// them; their results come back to the main thread. One session's start, updates and end run
// one after the other, in the order asked for; different sessions run side by side. Results
// that come back after the coordinator is gone are dropped.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/delivery/APNsDelivery.hpp"
#include "app/model/LiveActivityCoordinator.hpp"
#include "kit/engine/StateMachineSettings.hpp"
#include "kit/push/QuorvelLiveState.hpp"
#include "platform/Calendar.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/Logger.hpp"
#include "platform/WorkThreads.hpp"

namespace quorvel {

class APNsLiveActivityCoordinator final : public LiveActivityCoordinator {
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

    struct Options {
        /// The user's calendar, for the time in the reports.
        std::function<Calendar()> calendar = [] { return Calendar::current(); };
        /// Seconds a restored activity waits for its session to be seen again before it
        /// counts as vanished: right after a restart the sessions are not known yet.
        double restoredGrace = StateMachineSettings::standard().staleAfter;
        /// Seconds a start refused for good is not tried again while the phone's record
        /// stays the same.
        double refusedStartPause = 300;
    };

    /// Reads the table of active activities and the channels made earlier from `defaults`.
    APNsLiveActivityCoordinator(std::shared_ptr<APNsDelivery> delivery, std::shared_ptr<KeyValueStore> defaults,
                                std::unique_ptr<WorkThreads> threads);
    APNsLiveActivityCoordinator(std::shared_ptr<APNsDelivery> delivery, std::shared_ptr<KeyValueStore> defaults,
                                std::unique_ptr<WorkThreads> threads, Options options);
    /// Waits for the requests in flight (see `WorkThreads`); their results are dropped.
    ~APNsLiveActivityCoordinator() override;

    APNsLiveActivityCoordinator(const APNsLiveActivityCoordinator&) = delete;
    APNsLiveActivityCoordinator& operator=(const APNsLiveActivityCoordinator&) = delete;

    void reconcile(const std::vector<Session>& sessions, bool away, const std::optional<PhoneDevice>& phone,
                   Instant now) override;
    /// Lists the topic's channels and deletes those this app made that no activity, start,
    /// update or end uses; stops at the first failure.
    void cleanUpOrphanChannels() override;
    std::string report() const override { return report_; }

    /// Session identifier → activity.
    const std::map<std::string, Active>& active() const { return active_; }
    std::vector<std::string> activeChannelIDs() const;
    /// The channels this app made and has not deleted yet.
    const std::set<std::string>& createdChannels() const { return createdChannels_; }

    static constexpr std::string_view activeKey = "liveActivitiesActive";
    static constexpr std::string_view createdChannelsKey = "liveActivityChannels";
    static constexpr std::string_view initialReport = "No Live Activity yet";

    struct Failure {
        std::string description;
        /// A refusal that the same request would meet again (a 4xx answer other than 429, a
        /// token that is no token).
        bool refusedForGood = false;
    };

private:
    using Job = std::function<void(std::function<void()> finished)>;
    struct Chain {
        std::deque<Job> waiting;
        bool busy = false;
    };
    struct RefusedStart {
        PhoneDevice phone;
        Instant at;
    };
    struct StartRequest;
    struct StartOutcome;

    void endActivity(const std::string& sessionID, const std::string& channelID, QuorvelLiveState endState,
                     Instant now);
    void updateActivity(const std::string& sessionID, const std::string& channelID, QuorvelLiveState live, int priority,
                        Instant now);
    void considerStart(const Session& session, const QuorvelLiveState& live, const std::optional<PhoneDevice>& phone,
                       Instant now);
    void startFinished(const StartRequest& request, const StartOutcome& outcome);
    void startFailed(const Failure& failure, const PhoneDevice& phone, Instant now);
    void deleteOrphans(std::vector<std::string> listed);

    void enqueue(const std::string& sessionID, Job job);
    void runNext(const std::string& sessionID);
    /// `work` on a background thread, then `then` with its result on the main thread.
    template <typename Result>
    void inBackground(std::function<Result()> work, std::function<void(Result)> then);

    void setActive(const std::string& sessionID, Active entry);
    void removeActive(const std::string& sessionID);
    void saveActive();
    void rememberChannel(const std::string& channelID);
    void forgetChannels(const std::vector<std::string>& channelIDs);
    void saveChannels();
    void load();
    std::string clockText(Instant now) const;
    void releaseChannel(const std::string& channelID);

    std::shared_ptr<APNsDelivery> delivery_;
    std::shared_ptr<KeyValueStore> defaults_;
    Options options_;
    Logger logger_;

    std::map<std::string, Active> active_;
    std::string report_{initialReport};
    /// Sessions whose start is in flight.
    std::set<std::string> starting_;

    std::set<std::string> createdChannels_;
    /// Session → the channel its start in flight made.
    std::map<std::string, std::string> startChannels_;
    /// Channel → updates and ends asked for and not finished.
    std::map<std::string, int> channelJobs_;
    /// Session → the newest state of an update in flight; compared instead of the recorded one
    /// so a state is not sent twice while its update is under way.
    std::map<std::string, QuorvelLiveState> sending_;
    /// Restored activities whose session has not been seen since; when the wait began.
    std::map<std::string, std::optional<Instant>> unseenRestored_;
    std::optional<RefusedStart> refusedStart_;
    std::map<std::string, Chain> chains_;
    bool cleaningUp_ = false;

    // Declared last: destroyed first, so the background work is over before the state goes.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::unique_ptr<WorkThreads> threads_;
};

}  // namespace quorvel
