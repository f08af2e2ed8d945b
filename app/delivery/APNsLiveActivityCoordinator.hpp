#pragma once
// Keeps one Live Activity on the phone for each session that runs while the user is away:
// a start makes a broadcast channel and pushes the start payload to the phone's push-to-start
// token; updates and the end are broadcasts on that channel, and a successful end deletes
// the channel. Which activity belongs to which session survives restarts ("liveActivitiesActive"),
// and so do the ends not yet sent ("liveActivitiesEnding", sent again at the next launch) and
// the list of channels this app made ("liveActivityChannels", at most `createdChannelsCap`,
// oldest out), so that the launch clean-up deletes only its own leftovers, never channels of
// others behind a shared relay.
//
// An update that fails is tried again no sooner than 10 seconds later, then 20, 40 and so on
// up to 5 minutes, unless the session's state changes meanwhile; an update refused for good
// ends its activity. Failures are reported on every occasion but logged as `RepeatedFailureLog`
// says.
//
// Threads: every member is used on the main thread only. Keyring reads and requests run on
// the background threads of `WorkThreads` with the `now` of the reconcile that asked for
// them; their results come back to the main thread. One session's start, updates and end run
// one after the other, in the order asked for; different sessions run side by side. Results
// that come back after the coordinator is gone are dropped. `stop` cancels what is in flight
// and lets the results land in the tables before the app quits.
#include <chrono>
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
#include "app/delivery/LiveActivityCoordinator.hpp"
#include "kit/engine/StateMachineSettings.hpp"
#include "kit/push/QuorvelLiveState.hpp"
#include "platform/Calendar.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/Logger.hpp"
#include "platform/RepeatedFailureLog.hpp"
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
        /// "Now" for the ends a former launch left unsent.
        std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>();
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
    /// Sends the ends a former launch left unsent, then lists the topic's channels, forgets
    /// those this app made that the listing lacks, and deletes those this app made that no
    /// activity, start, update or end uses; stops at the first failure.
    void cleanUpOrphanChannels() override;
    void stop(std::chrono::milliseconds longest) override;
    std::string report() const override { return report_; }

    /// Session identifier → activity.
    const std::map<std::string, Active>& active() const { return active_; }
    std::vector<std::string> activeChannelIDs() const;
    /// The channels this app made and has not deleted yet.
    std::set<std::string> createdChannels() const { return {createdChannels_.begin(), createdChannels_.end()}; }
    /// Channel → the end state of an end asked for and not sent yet.
    const std::map<std::string, QuorvelLiveState>& pendingEnds() const { return pendingEnds_; }

    static constexpr std::string_view activeKey = "liveActivitiesActive";
    static constexpr std::string_view pendingEndsKey = "liveActivitiesEnding";
    static constexpr std::string_view createdChannelsKey = "liveActivityChannels";
    static constexpr std::string_view initialReport = "No Live Activity yet";
    static constexpr std::size_t createdChannelsCap = 256;
    /// Seconds before a failed update is tried again, doubling after each failure.
    static constexpr double firstUpdateRetry = 10;
    static constexpr double longestUpdateRetry = 300;

    struct Failure {
        std::string description;
        /// A refusal that the same request would meet again (a 4xx answer other than 429, a
        /// token that is no token).
        bool refusedForGood = false;
        /// Cut short at quit: the request may not have been sent at all.
        bool cancelled = false;
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
    struct UpdateRetry {
        /// The state whose update failed; another state goes out at once.
        QuorvelLiveState failed;
        Instant failedAt;
        double wait = firstUpdateRetry;
    };
    struct StartRequest;
    struct StartOutcome;

    void endActivity(const std::string& sessionID, const std::string& channelID, QuorvelLiveState endState,
                     Instant now);
    void updateActivity(const std::string& sessionID, const std::string& channelID, QuorvelLiveState live, int priority,
                        Instant now);
    void updateFinished(const std::string& sessionID, const std::string& channelID, const QuorvelLiveState& live,
                        Instant now, const std::optional<Failure>& failure);
    bool waitsToRetry(const std::string& sessionID, const QuorvelLiveState& live, Instant now) const;
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
    void forgetChannelsUnlisted(const std::vector<std::string>& knownBefore, const std::vector<std::string>& listed);
    /// Keeps at most `createdChannelsCap` made channels.
    void trimChannels();
    bool isCreated(const std::string& channelID) const;
    std::set<std::string> channelsInUse() const;
    void saveChannels();
    void savePendingEnds();
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

    /// Oldest first.
    std::vector<std::string> createdChannels_;
    std::map<std::string, QuorvelLiveState> pendingEnds_;
    /// Ends a former launch left unsent, until `cleanUpOrphanChannels` sends them.
    std::vector<std::string> endsToResume_;
    std::map<std::string, UpdateRetry> updateRetries_;
    RepeatedFailureLog failureLog_;
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
    /// Set by `stop`: nothing new goes out.
    bool stopped_ = false;

    // Declared last: destroyed first, so the background work is over before the state goes.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::unique_ptr<WorkThreads> threads_;
};

}  // namespace quorvel
