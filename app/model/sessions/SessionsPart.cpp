#include "app/model/sessions/SessionsPart.hpp"

#include <algorithm>
#include <utility>

#include "app/intake/SpoolWrite.hpp"
#include "app/model/sessions/RunsEndedMeanwhile.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {

SessionsPart::SessionsPart(Services services, const ModelHops& hops, StateMachineSettings machineSettings,
                           SessionNeighbours neighbours, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      hops_(hops),
      neighbours_(std::move(neighbours)),
      logger_(Quorvel::macBundleID, "App"),
      machine_(std::move(machineSettings)),
      finishedStore_(services_.paths.appSupport()),
      spoolWatch_(services_.paths.spool()),
      sessionSaver_(services_.paths.appSupport(), machine_, handledEventIDs_,
                    [clock = services_.clock] { return clock->now(); }) {
    ticker_.setSingleShot(true);
    ticker_.setInterval(tickIntervalMilliseconds);
    connect(&ticker_, &QTimer::timeout, this, [this] {
        tick();
        // The next tick is five seconds after this one ended, however long it took.
        ticker_.start();
    });
    finished_ = finishedStore_.load();
    // A file written by hand or by another build may hold more than the list ever keeps.
    if (finished_.size() > finishedCap) finished_.resize(finishedCap);
    // Runs that spanned a restart go on where they were; the stale-session time bounds how
    // old a kept session may be, the table's bound how many. The events handled before stay
    // handled: one whose spool file couldn't be removed is read again at this start.
    if (auto kept = sessionSaver_.store().load(services_.clock->now(), machine_.settings.staleAfter,
                                               StateMachine::hardMaxSessions)) {
        // The finished list is saved the moment a run ends, the sessions a moment later: a
        // run the list holds as ended is not taken back as running.
        if (const std::size_t ended = endRunsFinishedMeanwhile(kept->sessions, finished_); ended > 0) {
            logger_.notice("Took back " + std::to_string(ended) +
                           " saved sessions as ended: the finished list holds runs they still had in progress");
            sessionSaver_.saveSoon();
        }
        machine_.nextNumber = std::max(machine_.nextNumber, kept->nextNumber);
        machine_.adopt(std::move(kept->sessions));
        for (const std::string& id : kept->handledEventIDs) handledEventIDs_.insert(id);
    }
}

SessionsPart::~SessionsPart() {
    ticker_.stop();
    server_.reset();
}

// ---- tracked setters ------------------------------------------------------------------------

void SessionsPart::setFinished(std::vector<FinishedRun> runs) {
    assignTracked(*this, finished_, std::move(runs), &SessionsPart::finishedChanged);
}

void SessionsPart::setServerProblem(std::optional<std::string> problem) {
    assignTracked(*this, serverProblem_, std::move(problem), &SessionsPart::serverProblemChanged);
}

void SessionsPart::mutateMachine(const std::function<void(StateMachine&)>& change) {
    change(machine_);
    // A needs-you banner asks for the user only while the session waits (not after an answer,
    // a new prompt, a dismiss or its end).
    services_.notifier.withdrawStale(machine_.sessions);
    emit machineChanged();
    emit changed();
}

void SessionsPart::setMachineSettings(StateMachineSettings settings) {
    mutateMachine([&](StateMachine& machine) { machine.settings = std::move(settings); });
}

void SessionsPart::dismiss(const std::string& sessionID) {
    mutateMachine([&](StateMachine& machine) { machine.dismiss(sessionID); });
    // An acknowledged alert stays acknowledged after a restart.
    if (!shutDown_) sessionSaver_.saveSoon();
}

// ---- start-up, saving and the end -----------------------------------------------------------

void SessionsPart::startTicking() {
    // Runs kept from before a restart hold the machine awake again without waiting a tick.
    if (!machine_.sessions.empty()) settleLater();
    ticker_.start();
}

void SessionsPart::saveFinished() {
    finishedSaved_ = finishedStore_.save(finished_);
    if (!finishedSaved_) return;
    // What the events of these files produced is on disk now; a file that still can't be
    // removed stays skipped.
    std::erase_if(unsavedSpoolFiles_,
                  [this](const std::string& name) { return removeSpoolFile(name); });
}

void SessionsPart::saveNow() {
    saveFinished();
    sessionSaver_.saveNow();
}

void SessionsPart::shutDown() {
    if (shutDown_) return;
    // From here on the spool drain stops and no event is handled: a session manager at
    // log-out doesn't wait for a backlog.
    shutDown_ = true;
    ticker_.stop();
    spoolNotifier_.reset();
    if (server_) {
        server_->stop();
        writeSpoolFiles(services_.paths.spool(), server_->takeWaitingEvents());
    }
    copiesHandledAlready_.sayAllRepeats(services_.clock->now());
    spoolRemovalFailures_.sayAllRepeats(services_.clock->now());
    // Live events still waiting behind the spool go back to it, to keep their turn next time.
    if (!liveWaiting_.empty()) {
        writeSpoolFiles(services_.paths.spool(), {liveWaiting_.begin(), liveWaiting_.end()});
        liveWaiting_.clear();
        liveWaitingStamps_.clear();
    }
    saveNow();
    services_.keepAwake.set(false);
}

}  // namespace quorvel
