// The engine room of the model: hook events (from the event server and the spool) and the
// passing of time reach the state machine here, and the machine's effects turn into what
// the user notices.
#include <QMetaObject>
#include <algorithm>
#include <chrono>

#include "app/core/PrivateFolders.hpp"
#include "app/core/SpoolDrain.hpp"
#include "app/model/AppModel.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {

void AppModel::startServer() {
    // A start-up still queued when the process was asked to end must not open a server.
    if (shutDown_) return;
    // The token and the spool live in these folders: they are closed again before anything
    // in them is trusted.
    restorePrivateFolderModes(services_.paths);
    std::optional<std::string> linkedFolderProblem;
    // Whoever put a link in place of one of them chooses where the token or the events would
    // go; nothing is written through it. Without the application-support folder there is no
    // endpoint to write, so no server either.
    if (const std::vector<std::string> linked = linkedPrivateFolders(services_.paths); !linked.empty()) {
        const std::string problem = linked.front() + " is a link to another folder; " +
                                    std::string(Quorvel::displayName) +
                                    " won't write through it (put a real folder of yours in its place)";
        if (linked.front() == services_.paths.appSupport()) {
            setServerProblem("Couldn't start listening for Claude Code: " + problem);
            logger_.error(*serverProblem_);
            return;
        }
        linkedFolderProblem = problem;
    }
    const std::string endpointPath = services_.paths.endpoint();
    std::optional<Endpoint> stored;
    // A private file in another mode (0400, 0700) is kept but written again as 0600.
    bool storedAs0600 = false;
    if (auto read = Endpoint::readStored(endpointPath)) {
        if (read->isPrivate) {
            stored = read->endpoint;
            storedAs0600 = read->permissions == 0600;
        } else {
            // Someone else could have read the token: it is no secret any more.
            logger_.notice("The endpoint file " + endpointPath + " was open to others; making a new token");
        }
    }

    std::string token;
    if (stored) {
        token = stored->token;
    } else if (auto made = Endpoint::makeToken()) {
        token = *made;
    } else {
        setServerProblem("Couldn't create a secret key: " + made.error().message);
        logger_.error(*serverProblem_);
        return;
    }

    std::optional<std::uint16_t> preferredPort;
    if (stored) preferredPort = stored->port;
    auto started = EventServer::start(
        preferredPort, token, [this](HookEvent event) { receiveLiveEvent(std::move(event)); },
        [this](std::function<void()> handOver) {
            // From the server's thread to the main thread; dropped once the model is gone.
            QMetaObject::invokeMethod(this, std::move(handOver), Qt::QueuedConnection);
        });
    if (!started) {
        setServerProblem("Couldn't start listening for Claude Code: " + started.error().description);
        logger_.error(*serverProblem_);
        return;
    }
    server_ = std::move(*started);

    const Endpoint current{server_->port(), token};
    if (!stored || *stored != current || !storedAs0600) {
        if (auto written = current.write(endpointPath); !written) {
            setServerProblem("Couldn't start listening for Claude Code: " + written.error().message);
            logger_.error(*serverProblem_);
            return;
        }
    }
    if (linkedFolderProblem) logger_.error(*linkedFolderProblem);
    setServerProblem(linkedFolderProblem ? linkedFolderProblem : folderProblem_);
}

void AppModel::noteFolderProblem(std::string problem) {
    logger_.error(problem);
    folderProblem_ = std::move(problem);
}

void AppModel::handleHookEvent(const HookEvent& event, bool live) {
    // A prompt the user typed lets the next alert of an already pushed kind through again.
    // Only a prompt known to be a task notification is not the user's: an absent flag counts
    // as typed, as the state machine counts it.
    if (event.eventID && !handledEventIDs_.insert(*event.eventID)) {
        logger_.notice("Handled " + event.event.text() + " for " + event.sessionID +
                       " once though it arrived both posted and spooled");
        return;
    }
    if (event.kind() == HookEventKind::userPromptSubmit && event.isTaskNotification != true) phone_->forgetPushes(event.sessionID);

    // A run that starts or ends (or a session that comes or goes) is saved, so a restart
    // doesn't lose it.
    const auto progress = [this, &event] {
        auto found = machine_.sessions.find(event.sessionID);
        if (found == machine_.sessions.end()) return std::optional<std::pair<bool, std::optional<Instant>>>();
        const Session& session = found->second;
        return std::optional(std::pair(session.state.isBusy(),
                                       session.run ? std::optional(session.run->startedAt) : std::nullopt));
    };
    const auto before = progress();
    std::vector<Effect> effects;
    mutateMachine([&](StateMachine& machine) { effects = machine.handle(event); });
    if (progress() != before && !shutDown_) sessionSaver_.saveSoon();
    for (const std::string& dropped : machine_.droppedSessions) {
        logger_.notice("Too many sessions: dropped the least recently active one, " + dropped);
    }
    machine_.droppedSessions.clear();
    const std::size_t held = machine_.sessions.size();
    if (held > StateMachine::maxSessions && !tableGrowthLogged_) {
        tableGrowthLogged_ = true;
        logger_.notice("More than " + std::to_string(StateMachine::maxSessions) +
                       " sessions have a run in progress or need you: keeping them all, up to " +
                       std::to_string(StateMachine::hardMaxSessions));
    } else if (held <= StateMachine::maxSessions) {
        tableGrowthLogged_ = false;
    }
    if (held >= StateMachine::hardMaxSessions && !tableFullLogged_) {
        tableFullLogged_ = true;
        logger_.error("The session table is full (" + std::to_string(StateMachine::hardMaxSessions) +
                      " sessions): the least recently active ones make room, even with a run in progress");
    } else if (held < StateMachine::hardMaxSessions) {
        tableFullLogged_ = false;
    }

    // A spooled event still counts as live while it is recent; one stamped in the future too.
    if (!live) live = services_.clock->now().secondsSince(event.receivedInstant()) < liveWindowSeconds;
    applyEffects(effects, live);
}

void AppModel::tick() {
    // A save that failed (a full disk) is tried again: the spool files it holds back go with it.
    if (!finishedSaved_) saveFinished();
    drainSpool();

    phone_->tick();

    const Instant now = services_.clock->now();
    std::vector<Effect> effects;
    mutateMachine([&](StateMachine& machine) { effects = machine.tick(now); });
    if (!effects.empty()) sessionSaver_.saveSoon();
    applyEffects(effects, true);
    settle();

    phone_->publishListsIfNeeded();
    hooks_->refreshHookStatus();
    later([this] { hooks_->checkBannersAllowed(); });
}

void AppModel::applyEffects(const std::vector<Effect>& effects, bool live) {
    for (const Effect& effect : effects) {
        if (const FinishedRun* run = effect.asFinished()) {
            // Kept whether or not the event was live: nothing reported is lost.
            std::vector<FinishedRun> runs = finished_;
            runs.insert(runs.begin(), *run);
            if (runs.size() > finishedCap) runs.pop_back();
            setFinished(std::move(runs));
            // While shutting down, the list is saved once at the end instead.
            if (!shutDown_) saveFinished();
            continue;
        }

        const Alert& alert = *effect.asAlert();
        if (alert.kind == Alert::Kind::done) device_->setFloppyPutBack(false);
        if (!live) continue;
        // A sound or banner begun while the process ends would never be heard or seen.
        if (!device_->muted() && !shutDown_) {
            device_->playSound(soundFor(alert.kind));
            later([this, alert] { services_.notifier->post(alert); });
        }
        phone_->routePush(alert);
    }

    settleLater();
}

void AppModel::settleLater() {
    // Weighing the whole table after every event would make an event's cost grow with the
    // table: a run of events is weighed once, after the last of it.
    if (settleQueued_) return;
    settleQueued_ = true;
    later([this] {
        if (settleQueued_) settle();
    });
}

void AppModel::settle() {
    settleQueued_ = false;
    // The hold was let go at the end; nothing takes it again.
    if (shutDown_) return;
    services_.keepAwake->set(machine_.hasBusySession());

    if (device_->muted()) return;
    std::vector<Session> sessions;
    sessions.reserve(machine_.sessions.size());
    for (const auto& [id, session] : machine_.sessions) sessions.push_back(session);
    // The machine keeps its sessions in no particular order; hand them over in a stable one.
    std::sort(sessions.begin(), sessions.end(), [](const Session& a, const Session& b) { return a.id < b.id; });
    phone_->liveActivity().reconcile(sessions, phone_->isAway(), phone_->pairedPhone(), services_.clock->now());
}

}  // namespace quorvel
