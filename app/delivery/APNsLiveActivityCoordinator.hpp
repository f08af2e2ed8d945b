#pragma once
// Keeps one Live Activity on the phone for each session that runs while the user is away:
// a start makes a broadcast channel and pushes the start payload to the phone's push-to-start
// token; updates and the end are broadcasts on that channel, and a successful end deletes
// the channel (the exchanges: `LiveActivityRequests`). Which activity belongs to which session
// survives restarts, and so do the ends not yet sent (sent again at the next launch) and the
// list of channels this app made (`LiveActivityRecords`), so that the launch clean-up deletes
// only its own leftovers, never channels of others behind a shared relay.
//
// An update that fails is tried again no sooner than 10 seconds later, then 20, 40 and so on
// up to 5 minutes (`UpdateRetryBackoff`), unless the session's state changes meanwhile; an
// update refused for good ends its activity. Failures are reported on every occasion but
// logged as `RepeatedFailureLog` says.
//
// Threads: every member is used on the main thread only. Keyring reads and requests run on
// the coordinator's own `WorkQueue` with the `now` of the reconcile that asked for them; their
// results come back to the main thread through its `MainThreadHandOff`. One session's start,
// updates and end run one after the other, in the order asked for; different sessions run
// side by side (`WorkChains`). Results that come back after the coordinator is gone are
// dropped. `stop` cancels what is in flight and lets the results land in the tables before the
// app quits.
#include <chrono>
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
#include "app/delivery/LiveActivityRecords.hpp"
#include "app/delivery/LiveActivityRequests.hpp"
#include "app/delivery/UpdateRetryBackoff.hpp"
#include "app/delivery/WorkChains.hpp"
#include "kit/engine/StateMachineSettings.hpp"
#include "kit/push/QuorvelLiveState.hpp"
#include "platform/time/Calendar.hpp"
#include "platform/stores/KeyValueStore.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/logging/RepeatedFailureLog.hpp"
#include "platform/threads/MainThreadHandOff.hpp"
#include "platform/threads/WorkQueue.hpp"

namespace quorvel {

class APNsLiveActivityCoordinator final : public LiveActivityCoordinator {
public:
    using Active = LiveActivityRecords::Active;

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
                                std::unique_ptr<WorkQueue> queue, std::unique_ptr<MainThreadHandOff> handOff);
    APNsLiveActivityCoordinator(std::shared_ptr<APNsDelivery> delivery, std::shared_ptr<KeyValueStore> defaults,
                                std::unique_ptr<WorkQueue> queue, std::unique_ptr<MainThreadHandOff> handOff,
                                Options options);
    /// Waits for the requests in flight as the queue does at its end (a bounded time, for a
    /// `ThreadPoolWorkQueue`); their results are dropped.
    ~APNsLiveActivityCoordinator() override;

    APNsLiveActivityCoordinator(const APNsLiveActivityCoordinator&) = delete;
    APNsLiveActivityCoordinator& operator=(const APNsLiveActivityCoordinator&) = delete;

    void reconcile(const std::vector<Session>& sessions, bool away, const std::optional<PhoneDevice>& phone,
                   Instant now) override;
    /// Sends the ends a former launch left unsent, then lists the topic's channels, forgets
    /// those this app made that the listing lacks, and deletes those this app made that no
    /// activity, start, update or end uses; stops at the first failure.
    void cleanUpOrphanChannels() override;
    bool stop(std::chrono::milliseconds longest) override;
    std::string report() const override { return report_; }

    /// Session identifier → activity.
    const std::map<std::string, Active>& active() const { return records_.active(); }
    std::vector<std::string> activeChannelIDs() const;
    /// The channels this app made and has not deleted yet.
    std::set<std::string> createdChannels() const {
        return {records_.createdChannels().begin(), records_.createdChannels().end()};
    }
    /// Channel → the end state of an end asked for and not sent yet.
    const std::map<std::string, QuorvelLiveState>& pendingEnds() const { return records_.pendingEnds(); }

    static constexpr std::string_view initialReport = "No Live Activity yet";

private:
    using Failure = LiveActivityFailure;
    struct RefusedStart {
        PhoneDevice phone;
        Instant at;
    };
    struct StartRequest;

    void endActivity(const std::string& sessionID, const std::string& channelID, QuorvelLiveState endState,
                     Instant now);
    void updateActivity(const std::string& sessionID, const std::string& channelID, QuorvelLiveState live, int priority,
                        Instant now);
    void updateFinished(const std::string& sessionID, const std::string& channelID, const QuorvelLiveState& live,
                        Instant now, const std::optional<Failure>& failure);
    void considerStart(const Session& session, const QuorvelLiveState& live, const std::optional<PhoneDevice>& phone,
                       Instant now);
    void startFinished(const StartRequest& request, const LiveActivityRequests::StartOutcome& outcome);
    void startFailed(const Failure& failure, const PhoneDevice& phone, Instant now);
    void endFinished(const std::string& channelID, const QuorvelLiveState& endState, Instant now,
                     const LiveActivityRequests::EndOutcome& outcome);
    void deleteOrphans(std::vector<std::string> listed);

    void removeActive(const std::string& sessionID);
    void rememberChannel(const std::string& channelID);
    void forgetChannelsUnlisted(const std::vector<std::string>& knownBefore, const std::vector<std::string>& listed);
    std::set<std::string> channelsInUse() const;
    std::string clockText(Instant now) const;
    void releaseChannel(const std::string& channelID);

    std::shared_ptr<APNsDelivery> delivery_;
    LiveActivityRequests requests_;
    Options options_;
    Logger logger_;
    LiveActivityRecords records_;

    std::string report_{initialReport};
    /// Sessions whose start is in flight.
    std::set<std::string> starting_;
    /// Ends a former launch left unsent, until `cleanUpOrphanChannels` sends them.
    std::vector<std::string> endsToResume_;
    UpdateRetryBackoff updateRetries_;
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
    bool cleaningUp_ = false;

    // Declared last: destroyed first, so the background work is over before the state goes.
    WorkChains work_;
};

}  // namespace quorvel
