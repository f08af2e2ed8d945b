#pragma once
// The app's one central object, on the main thread for the life of the process: the one
// model the windows, the menu and the strip read. It owns every service, the settings, the
// start-up order and the quit, and the sessions: the event server, the spool intake, the
// five-second tick, the state machine and its effects, the FINISHED list. Three feature parts
// own the rest, each with its state and intents: `device()` (the pads, the mute, the floppy,
// the alarm test, the dismiss), `hooks()` (the helper, the hooks, the login item, the
// banners' permission) and `phone()` (pairing, pushes, Live Activities, the keys in the
// keyring). The model makes them from the services they need, wires what they need of each
// other, and relays their `changed` as its own. It knows no window: the window coordinator
// and the presenters read it and its parts and call their intents.
//
// Tracked fields announce a change through their signal, and then through `changed`, only
// when the new value differs from the old one; the side effects of their setters run on
// every assignment. Work that may wait (pushes, the phone exchange, the keyring) runs on the
// work queues and comes back to the main thread as a queued call on this object (`ModelHops`),
// which Qt drops once the model is gone.
#include <QObject>
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

#include "app/core/AppSettings.hpp"
#include "app/core/EventServer.hpp"
#include "app/core/FinishedStore.hpp"
#include "app/core/RecentEventIDs.hpp"
#include "app/core/SpoolDrain.hpp"
#include "app/model/AppServices.hpp"
#include "app/model/ModelHops.hpp"
#include "app/model/SessionSaver.hpp"
#include "app/model/device/DevicePart.hpp"
#include "app/model/hooks/HooksPart.hpp"
#include "app/model/phone/PhonePart.hpp"
#include "kit/engine/Effect.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/StateMachine.hpp"
#include "platform/Instant.hpp"
#include "platform/Logger.hpp"

namespace quorvel {

class AppModel final : public QObject {
    Q_OBJECT

public:
    /// A spooled event younger than this (seconds) still sounds, shows and pushes.
    static constexpr double liveWindowSeconds = 600;
    /// The FINISHED list keeps this many runs.
    static constexpr std::size_t finishedCap = FinishedStore::keptRuns;
    /// Milliseconds from the end of one tick to the start of the next.
    static constexpr int tickIntervalMilliseconds = 5000;
    /// The longest the spool drain runs before the main thread's other work has a turn, in
    /// seconds; the rest of the spool follows right after.
    static constexpr double spoolSliceSeconds = 0.05;
    /// At quit, the longest wait for the login keyring and the network together.
    static constexpr int quitWaitMilliseconds = 2000;
    /// The last part of that wait, kept for the outcomes of the requests cancelled at quit
    /// even when the keyring took the rest.
    static constexpr int quitOutcomesMilliseconds = 250;

    /// Loads the settings, controls and finished list, installs the helper, reads the hook
    /// status and the stored keys, and queues the start-up (`start`), so work queued after
    /// the model is made (the windows the coordinator restores) runs after it. Needs a Qt
    /// application object.
    explicit AppModel(AppServices services, QObject* parent = nullptr);
    ~AppModel() override;
    AppModel(const AppModel&) = delete;
    AppModel& operator=(const AppModel&) = delete;

    // ---- the feature parts --------------------------------------------------------------
    DevicePart& device() { return *device_; }
    const DevicePart& device() const { return *device_; }
    PhonePart& phone() { return *phone_; }
    const PhonePart& phone() const { return *phone_; }
    HooksPart& hooks() { return *hooks_; }
    const HooksPart& hooks() const { return *hooks_; }

    // ---- tracked state ------------------------------------------------------------------
    const StateMachine& machine() const { return machine_; }
    const std::vector<FinishedRun>& finished() const { return finished_; }
    /// Replaces the list; saving it is the caller's business (`saveFinished`).
    void setFinished(std::vector<FinishedRun> runs);
    const AppSettings& settings() const { return settings_; }
    /// Stores the settings, re-derives the state machine's timings, switches the taskbar entry
    /// when `showInDock` changed, and saves them; all of it on every assignment.
    void setSettings(AppSettings settings);
    /// Why the event server isn't running, or what keeps events from reaching it by the spool
    /// (a folder of ours replaced by a link); absent while all is well.
    const std::optional<std::string>& serverProblem() const { return serverProblem_; }
    /// What keeps the single-instance lock out of the application-support folder, and how to
    /// mend it: logged at once, and shown where a server problem shows while the server has
    /// none of its own. Call it before the start-up has run.
    void noteFolderProblem(std::string problem);

    // ---- untracked state ----------------------------------------------------------------
    const QuorvelPaths& paths() const { return services_.paths; }
    /// The running event server; null when it couldn't start (see `serverProblem`).
    const EventServer* server() const { return server_.get(); }

    // ---- start-up and refreshes ---------------------------------------------------------
    /// Reads the endpoint file, starts listening with its token (a new one when it can't be
    /// read) on its port when free, and writes the file back when port or token changed.
    void startServer();
    /// Hands every spooled event, oldest first, to `handleHookEvent` as not live, in slices of
    /// `spoolSliceSeconds`, merged by receive time with live events waiting meanwhile. A file
    /// goes once what its event produced is saved; while the FINISHED list can't be saved, the
    /// files stay and are not handled again in this run.
    void drainSpool();
    /// A hook event from the server: handled after every spooled event stamped no later (the
    /// spool is looked at first; behind an older backlog it waits, in order).
    void receiveLiveEvent(HookEvent event);
    /// The end of the process (quit, a termination signal, log-out), quick whatever waits:
    /// stops the ticker and the server (no server starts after it) and the spool drain (the
    /// files not yet handled stay), writes the events the server accepted but nobody handled
    /// yet to the spool for the next start, saves the FINISHED list and releases the
    /// keep-awake hold, then waits for the user's keyring changes (saves, removals), the
    /// phone's network work and the other work queues until `quitWaitMilliseconds` after it
    /// began, and no longer than they take: keyring reads are not waited for, every keyring
    /// call still waiting is cancelled inside that time, a save the keyring hasn't confirmed
    /// by then is logged as lost, network requests are cancelled, and neither this nor the
    /// model's end waits for any of it any longer (`workLeftBehind`). Runs once; later calls
    /// do nothing.
    /// Work still queued for the main thread afterwards is dropped with the model.
    void shutDown();
    /// True once `shutDown` has run.
    bool isShutDown() const { return shutDown_; }
    /// True when `shutDown` ended its wait with work still running (a keyring call stuck on a
    /// prompt nobody answers, a request or child process that hasn't ended). That work owns
    /// what it touches and its results are dropped once the model is gone, but it may hold
    /// libraries' threads and state that the end of the process would take apart under it:
    /// the process, whose state is saved by then, should end without taking anything apart.
    bool workLeftBehind() const { return workLeftBehind_; }
    /// Saves the FINISHED list as it is now.
    void saveFinished();

    // ---- events, ticks and effects ------------------------------------------------------
    /// One hook event: live from the server, or from the spool (live only while recent); once.
    void handleHookEvent(const HookEvent& event, bool live);
    /// The five-second heartbeat.
    void tick();
    void applyEffects(const std::vector<Effect>& effects, bool live);
    /// What follows from the whole table rather than from one event: the keep-awake hold and
    /// the Live Activities. Run by every tick, and once after a run of events.
    void settle();

signals:
    /// Sent on every change of the sessions, whether or not anything differs.
    void machineChanged();
    void finishedChanged();
    void settingsChanged();
    void serverProblemChanged();
    /// After each of the signals above, and after each part's `changed`: anything the model
    /// or its parts track changed.
    void changed();

private:
    void start();
    void setServerProblem(std::optional<std::string> problem);
    void mutateMachine(const std::function<void(StateMachine&)>& change);
    /// One slice of spooled and waiting live events in receive-time order; queues the rest.
    void handleIntake();
    void refillSpoolBacklog();
    /// Queues one `settle` after the current work, unless one is queued already.
    void settleLater();

    /// See `ModelHops`.
    void later(std::function<void()> work) { hops_.later(std::move(work)); }
    /// Reaches the state only tests look at.
    friend struct AppModelTestAccess;

    // First, so every service outlives the state that uses it.
    AppServices services_;
    Logger logger_;
    ModelHops hops_;

    StateMachine machine_;
    std::vector<FinishedRun> finished_;
    AppSettings settings_;
    std::optional<std::string> serverProblem_;
    std::optional<std::string> folderProblem_;

    FinishedStore finishedStore_;
    QTimer ticker_;
    /// Spooled events read but not handled yet, oldest first.
    std::deque<SpooledEvent> spoolBacklog_;
    std::deque<HookEvent> liveWaiting_;  // behind older spooled ones, in arrival order
    RecentEventIDs handledEventIDs_;
    SessionSaver sessionSaver_;
    bool tableGrowthLogged_ = false;  // past `StateMachine::maxSessions`: said once till back below
    bool tableFullLogged_ = false;    // at `StateMachine::hardMaxSessions`: likewise
    bool spoolSliceQueued_ = false;
    /// Spool files whose events were handled while the FINISHED list couldn't be saved, or
    /// that couldn't be removed: kept until both work, and never read again meanwhile.
    std::set<std::string> unsavedSpoolFiles_;
    /// The FINISHED list on disk is the one in memory (its last save worked).
    bool finishedSaved_ = true;
    bool settleQueued_ = false;

    std::unique_ptr<DevicePart> device_;
    std::unique_ptr<HooksPart> hooks_;
    std::unique_ptr<PhonePart> phone_;

    bool shutDown_ = false;

    /// Some work didn't end in time at quit (see `workLeftBehind`).
    bool workLeftBehind_ = false;

    // Last, so it stops handing over events before anything above goes away.
    std::unique_ptr<EventServer> server_;
};

}  // namespace quorvel
