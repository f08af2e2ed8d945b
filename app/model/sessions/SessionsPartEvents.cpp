// The engine room of the sessions: hook events (from the event server and the spool) and
// the passing of time reach the state machine here, and the machine's effects turn into what
// the user notices.
#include <algorithm>

#include "app/model/sessions/SessionsPart.hpp"

namespace quorvel {

void SessionsPart::handleHookEvent(const HookEvent& event, bool live) {
    if (event.eventID && !handledEventIDs_.insert(*event.eventID)) {
        // A spooled one may also be a file that outlived the run that handled it: counted,
        // and said once when the backlog is through, so a restart doesn't log a line a file.
        if (!live) {
            ++spooledHandledAlready_;
            return;
        }
        logger_.notice("Handled " + event.event.text() + " for " + event.sessionID +
                       " once though it arrived both posted and spooled");
        return;
    }
    // A prompt the user typed lets the next alert of an already pushed kind through again.
    // Only a prompt known to be a task notification is not the user's: an absent flag counts
    // as typed, as the state machine counts it.
    if (event.kind() == HookEventKind::userPromptSubmit && event.isTaskNotification != true) {
        neighbours_.forgetPushes(event.sessionID);
    }

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
    // A spooled event's identity is saved too: should its file outlive the app (one it can't
    // remove), the next start knows the event was applied.
    if ((progress() != before || (!live && event.eventID)) && !shutDown_) sessionSaver_.saveSoon();
    for (const std::string& dropped : machine_.droppedSessions) {
        logger_.notice("Too many sessions: dropped the least recently active one, " + dropped);
    }
    machine_.droppedSessions.clear();
    noteTableSize();

    // A spooled event still counts as live while it is recent; one stamped in the future too.
    if (!live) live = services_.clock->now().secondsSince(event.receivedInstant()) < liveWindowSeconds;
    applyEffects(effects, live);
}

void SessionsPart::tick() {
    // A save that failed (a full disk) is tried again: the spool files it holds back go with it.
    if (!finishedSaved_) saveFinished();
    drainSpool();

    neighbours_.beforeTick();

    const Instant now = services_.clock->now();
    std::vector<Effect> effects;
    mutateMachine([&](StateMachine& machine) { effects = machine.tick(now); });
    if (!effects.empty()) sessionSaver_.saveSoon();
    applyEffects(effects, true);
    settle();

    neighbours_.afterTick();
}

void SessionsPart::applyEffects(const std::vector<Effect>& effects, bool live) {
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
        if (alert.kind == Alert::Kind::done) neighbours_.takeFloppyOut();
        if (!live) continue;
        // A sound or banner begun while the process ends would never be heard or seen.
        if (!neighbours_.muted() && !shutDown_) {
            neighbours_.playSound(soundFor(alert.kind));
            postBannerLater(alert);
        }
        neighbours_.routePush(alert);
    }

    settleLater();
}

void SessionsPart::postBannerLater(const Alert& alert) {
    const auto stateKind = [this](const std::string& sessionID) {
        const auto session = machine_.sessions.find(sessionID);
        return session == machine_.sessions.end() ? std::nullopt : std::optional(session->second.state.kind());
    };
    // None for a run that ended with its session (the Stop came after the SessionEnd): nothing
    // moves on from there, so that banner stays.
    const std::optional<SessionState::Kind> telling = stateKind(alert.sessionID);
    hops_.later([this, alert, telling, stateKind] {
        // A session that moved on before its banner went out gets none: it would be stale at once.
        if (telling && stateKind(alert.sessionID) != telling) return;
        services_.notifier.post(alert, telling);
    });
}

void SessionsPart::settleLater() {
    // Weighing the whole table after every event would make an event's cost grow with the
    // table: a run of events is weighed once, after the last of it.
    if (settleQueued_) return;
    settleQueued_ = true;
    hops_.later([this] {
        if (settleQueued_) settle();
    });
}

void SessionsPart::settle() {
    settleQueued_ = false;
    // The hold was let go at the end; nothing takes it again.
    if (shutDown_) return;
    services_.keepAwake.set(machine_.hasBusySession());

    if (neighbours_.muted()) return;
    std::vector<Session> sessions;
    sessions.reserve(machine_.sessions.size());
    for (const auto& [id, session] : machine_.sessions) sessions.push_back(session);
    // The machine keeps its sessions in no particular order; hand them over in a stable one.
    std::sort(sessions.begin(), sessions.end(), [](const Session& a, const Session& b) { return a.id < b.id; });
    neighbours_.reconcileLiveActivities(sessions, services_.clock->now());
}

void SessionsPart::noteTableSize() {
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
}

}  // namespace quorvel
