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
        // After a pause every event the helpers gave up on arrives so: said once, then counted.
        copiesHandledAlready_.failed("posted and spooled",
                                     "Handled " + event.event.text() + " for " + event.sessionID +
                                         " once though it arrived both posted and spooled",
                                     services_.clock->now());
        return;
    }
    // A prompt the user typed lets the next alert of an already pushed kind through again.
    // Only a prompt known to be a task notification is not the user's: an absent flag counts
    // as typed, as the state machine counts it.
    if (event.kind() == HookEventKind::userPromptSubmit && event.isTaskNotification != true) {
        neighbours_.forgetPushes(event.sessionID);
    }

    const bool heldBefore = machine_.sessions.contains(event.sessionID);
    std::vector<Effect> effects;
    mutateMachine([&](StateMachine& machine) {
        machine.countTimeAsleep(sleepMeter_.asleepSinceLastReading());
        effects = machine.handle(event);
    });
    // Every event changes what the sessions file holds, but an end of a session it doesn't
    // hold: the session's last event at least, and the event's identity, so that should a spool
    // file outlive the app (one it can't remove) the next start knows the event was applied.
    if ((heldBefore || machine_.sessions.contains(event.sessionID) || event.eventID) && !shutDown_) {
        sessionSaver_.saveSoon();
    }
    // A spooled event with an identity whose row equals one the list holds, to the
    // microsecond of its end, is the same event applied again: its file outlived a kill
    // before the identity was saved. Nothing of it is recorded or told twice. (Copies without
    // an identity, from an older helper, each count.)
    const bool appliedAgain = !live && event.eventID &&
                              std::any_of(effects.begin(), effects.end(), [this](const Effect& effect) {
                                  const FinishedRun* run = effect.asFinished();
                                  return run && std::find(finished_.begin(), finished_.end(), *run) != finished_.end();
                              });
    if (appliedAgain) effects.clear();
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
    copiesHandledAlready_.sayDueRepeats(now);
    spoolRemovalFailures_.sayDueRepeats(now);
    std::vector<Effect> effects;
    bool changedSessions = false;
    mutateMachine([&](StateMachine& machine) {
        // A suspend since the last event or tick is no time the sessions were quiet or running.
        machine.countTimeAsleep(sleepMeter_.asleepSinceLastReading());
        effects = machine.tick(now, &changedSessions);
    });
    // A session gone stale changes without an effect; a save that failed is still owed.
    if (changedSessions) sessionSaver_.saveSoon();
    sessionSaver_.retryIfOwed();
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
    hops_.later([this, alert] {
        // A question answered before its banner went out would be taken back at once; what a
        // done or crashed banner says stays true, so it goes out whatever came since.
        if (alert.kind == Alert::Kind::needsYou) {
            const auto session = machine_.sessions.find(alert.sessionID);
            const bool waits = session != machine_.sessions.end() &&
                               session->second.state.kind() == SessionState::Kind::needsYou;
            if (!waits) return;
        }
        services_.notifier.post(alert);
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
