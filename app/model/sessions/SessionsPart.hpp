#pragma once
// The sessions: the event server, the spool intake, the five-second tick, the state machine
// and its effects, the FINISHED list, and the sessions kept on disk across a restart. What an
// effect asks of the device and the phone goes through `SessionNeighbours`. Main thread; the
// services are the model's and outlive the part.
//
// Tracked fields send their own signal, then `changed`, only when the new value differs; the
// machine sends `machineChanged` on every change, whether or not anything differs. Work
// queued for later runs as queued calls on the hops' context (the model), dropped with it.
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/desktop/KeepAwake.hpp"
#include "app/desktop/Notifier.hpp"
#include "app/intake/EventServer.hpp"
#include "app/intake/SpoolDrain.hpp"
#include "app/intake/SpoolWatch.hpp"
#include "app/intake/WaitingStamps.hpp"
#include "app/model/ModelHops.hpp"
#include "app/model/sessions/SessionNeighbours.hpp"
#include "app/model/sessions/SessionSaver.hpp"
#include "app/stores/FinishedStore.hpp"
#include "app/stores/RecentEventIDs.hpp"
#include "kit/engine/Effect.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "kit/engine/StateMachine.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/logging/RepeatedFailureLog.hpp"
#include "platform/time/Instant.hpp"
#include "platform/time/SleepMeter.hpp"

namespace quorvel {

class SessionsPart final : public QObject {
    Q_OBJECT

public:
    /// A spooled event younger than this (seconds) still sounds, shows and pushes.
    static constexpr double liveWindowSeconds = 600;
    /// The FINISHED list keeps this many runs.
    static constexpr std::size_t finishedCap = FinishedStore::keptRuns;
    /// Milliseconds from the end of one tick to the start of the next.
    static constexpr int tickIntervalMilliseconds = 5000;
    /// Live events that were handled already as spooled copies are said once, then as a count
    /// at most once in this many seconds.
    static constexpr double copiesLogIntervalSeconds = 60;
    /// Spool files that can't be removed are said once, then as a count at most once in this
    /// many seconds.
    static constexpr double spoolFailuresLogIntervalSeconds = 60;
    /// The longest the spool drain runs before the main thread's other work has a turn, in
    /// seconds; the rest of the spool follows right after.
    static constexpr double spoolSliceSeconds = 0.05;

    struct Services {
        QuorvelPaths paths;
        std::shared_ptr<const Clock> clock;
        KeepAwake& keepAwake;
        Notifier& notifier;
    };

    /// Loads the sessions kept from before a restart (no older than the stale-session time of
    /// `machineSettings`, no more than the table holds), the identities of the events handled
    /// then, and the FINISHED list. Nothing listens or ticks before `startServer`
    /// and `startTicking`.
    SessionsPart(Services services, const ModelHops& hops, StateMachineSettings machineSettings,
                 SessionNeighbours neighbours, QObject* parent = nullptr);
    /// Stops the ticker and the server first: no event is handed over while the part goes.
    ~SessionsPart() override;
    SessionsPart(const SessionsPart&) = delete;
    SessionsPart& operator=(const SessionsPart&) = delete;

    // ---- tracked state ------------------------------------------------------------------
    const StateMachine& machine() const { return machine_; }
    const std::vector<FinishedRun>& finished() const { return finished_; }
    /// Replaces the list; saving it is the caller's business (`saveFinished`).
    void setFinished(std::vector<FinishedRun> runs);
    /// Why the event server isn't running, or what keeps events from reaching it by the spool
    /// (a folder of ours replaced by a link); absent while all is well.
    const std::optional<std::string>& serverProblem() const { return serverProblem_; }
    /// What keeps the single-instance lock out of the application-support folder, and how to
    /// mend it: logged at once, and shown where a server problem shows while the server has
    /// none of its own. Call it before the server starts.
    void noteFolderProblem(std::string problem);

    /// The running event server; null when it couldn't start (see `serverProblem`).
    const EventServer* server() const { return server_.get(); }

    // ---- changes from the rest of the model ---------------------------------------------
    /// The user's timings changed.
    void setMachineSettings(StateMachineSettings settings);
    /// The user dismissed the alert of this session; saved soon, as every change of the sessions is.
    void dismiss(const std::string& sessionID);

    // ---- start-up -----------------------------------------------------------------------
    /// Reads the endpoint file, starts listening with its token (a new one when it can't be
    /// read) on its port when free, and writes the file back when port or token changed.
    void startServer();
    /// Starts the tick, and weighs the table once soon when runs were kept from before.
    void startTicking();
    /// Hands every spooled event, oldest first, to `handleHookEvent` as not live, in slices of
    /// `spoolSliceSeconds`, merged by receive time with live events waiting meanwhile: a
    /// spooled event goes only once no accepted event stamped earlier waits, here or still in
    /// the server. A file goes once what its event produced is saved, and, when its event has
    /// an identity, once no event waits (a file left at the end is known by that identity at
    /// the next start); while the FINISHED list can't be saved, the files stay and are not
    /// handled again in this run. The folder is
    /// listed only when something may have been spooled since it was last listed (and once a
    /// minute at the tick); from the first call on, a file landing there starts a drain too.
    void drainSpool();
    /// A hook event from the server: handled after every spooled event stamped no later (the
    /// spool is looked at first when something was spooled since; behind an older backlog it
    /// waits, in order).
    void receiveLiveEvent(HookEvent event);
    /// Saves the FINISHED list as it is now.
    void saveFinished();
    /// Saves the FINISHED list and the sessions in progress as they are now, without waiting
    /// for a save's turn: the session manager's request at log-out, after which the process
    /// may be ended without its event loop's end.
    void saveNow();

    // ---- events, ticks and effects ------------------------------------------------------
    /// One hook event: live from the server, or from the spool (live only while recent); once.
    void handleHookEvent(const HookEvent& event, bool live);
    /// The five-second heartbeat, with the neighbours' share before and after.
    void tick();
    void applyEffects(const std::vector<Effect>& effects, bool live);
    /// What follows from the whole table rather than from one event: the keep-awake hold and
    /// the Live Activities. Run by every tick, and once after a run of events.
    void settle();

    // ---- the end ------------------------------------------------------------------------
    /// The sessions' half of the quit: stops the ticker and the server (no server starts
    /// after it) and the spool drain (the files not yet handled stay), writes the events the
    /// server accepted but nobody handled yet to the spool for the next start, saves the
    /// FINISHED list and the sessions, and releases the keep-awake hold. Quick; runs once.
    void shutDown();

signals:
    /// Sent on every change of the sessions, whether or not anything differs.
    void machineChanged();
    void finishedChanged();
    void serverProblemChanged();
    /// After each of the signals above.
    void changed();

private:
    void setServerProblem(std::optional<std::string> problem);
    void mutateMachine(const std::function<void(StateMachine&)>& change);
    /// One slice of spooled and waiting live events in receive-time order, then, with
    /// nothing waiting, of removing handled spool files; queues the rest.
    void handleIntake();
    /// Removes handled spool files until `sliceEnd` (at least one); a file that can't be
    /// removed joins the ones kept.
    void removeHandledSpoolFiles(std::chrono::steady_clock::time_point sliceEnd);
    /// Removes one handled spool file; whether it is gone.
    bool removeSpoolFile(const std::string& name);
    void refillSpoolBacklog();
    /// Whether an accepted event received before `event` waits, here or in the server.
    bool acceptedEarlierThan(const HookEvent& event) const;
    /// Posts the banner of `alert` after the current work; a needs-you banner only while its
    /// session still waits on the user.
    void postBannerLater(const Alert& alert);
    /// Queues one `settle` after the current work, unless one is queued already.
    void settleLater();
    /// Logs once when the table grows past its usual size, and once when it is full.
    void noteTableSize();

    /// Reaches the state only tests look at.
    friend struct SessionsPartTestAccess;

    Services services_;
    const ModelHops& hops_;
    SessionNeighbours neighbours_;
    Logger logger_;

    StateMachine machine_;
    /// Read before every event and tick, so the machine knows of a suspend before the first
    /// event after it.
    SleepMeter sleepMeter_{services_.clock};
    std::vector<FinishedRun> finished_;
    std::optional<std::string> serverProblem_;
    std::optional<std::string> folderProblem_;

    FinishedStore finishedStore_;
    QTimer ticker_;
    /// Spooled events read but not handled yet, oldest first.
    std::deque<SpooledEvent> spoolBacklog_;
    std::deque<HookEvent> liveWaiting_;  // behind older spooled ones, in arrival order
    WaitingStamps liveWaitingStamps_;  // the stamps of `liveWaiting_`
    SpoolWatch spoolWatch_;
    /// Starts a drain when a file lands in the spool; made by the first drain.
    std::unique_ptr<QSocketNotifier> spoolNotifier_;
    /// Something may have been spooled since the folder was last listed.
    bool spoolMayHaveNew_ = true;
    /// When the folder was last listed (steady clock): the tick lists it at least once a
    /// minute, for temporaries abandoned since.
    std::chrono::steady_clock::time_point spoolListedAt_{};
    /// Entries of the spool that can be neither read nor removed, logged once already.
    std::set<std::string> stuckSpoolEntries_;
    RecentEventIDs handledEventIDs_;
    SessionSaver sessionSaver_;
    bool tableGrowthLogged_ = false;  // past `StateMachine::maxSessions`: said once till back below
    bool tableFullLogged_ = false;    // at `StateMachine::hardMaxSessions`: likewise
    bool spoolSliceQueued_ = false;
    /// Spool files whose events were handled while the FINISHED list couldn't be saved, or
    /// that couldn't be removed: kept until both work, and never read again meanwhile.
    std::set<std::string> unsavedSpoolFiles_;
    /// Spool files of events with an identity, handled and saved, removed once the intake
    /// has nothing waiting (`removeHandledSpoolFiles`); never read again meanwhile.
    std::set<std::string> spoolFilesToRemove_;
    /// Spooled events skipped as handled already since the backlog was last through.
    std::size_t spooledHandledAlready_ = 0;
    /// Live events handled already as spooled copies: the first said, the rest counted.
    RepeatedFailureLog copiesHandledAlready_{logger_, LogLevel::notice, copiesLogIntervalSeconds};
    /// Spool files that couldn't be removed: the first said, the rest counted.
    RepeatedFailureLog spoolRemovalFailures_{spoolLogger(), LogLevel::error, spoolFailuresLogIntervalSeconds};
    /// The FINISHED list on disk is the one in memory (its last save worked).
    bool finishedSaved_ = true;
    bool settleQueued_ = false;
    bool shutDown_ = false;

    // Last, so it stops handing over events before anything above goes away.
    std::unique_ptr<EventServer> server_;
};

}  // namespace quorvel
