// The engine room of the model: hook events and the passing of time reach the state machine
// here, and the machine's effects turn into what the user notices.
#include <algorithm>

#include "app/model/AppModel.hpp"

namespace quorvel {

void AppModel::handleHookEvent(const HookEvent& event, bool live) {
    // A prompt the user typed lets the next alert of an already pushed kind through again.
    // Only a prompt known to be a task notification is not the user's: an absent flag counts
    // as typed, as the state machine counts it.
    if (event.event == "UserPromptSubmit" && event.isTaskNotification != true) router_.forget(event.sessionID);

    std::vector<Effect> effects;
    mutateMachine([&](StateMachine& machine) { effects = machine.handle(event); });
    for (const std::string& dropped : machine_.droppedSessions) {
        logger_.notice("Too many sessions: dropped the least recently active one, " + dropped);
    }
    machine_.droppedSessions.clear();

    // A spooled event still counts as live while it is recent; one stamped in the future too.
    if (!live) live = services_.clock->now().secondsSince(event.receivedInstant()) < liveWindowSeconds;
    applyEffects(effects, live);
}

void AppModel::tick() {
    // A save that failed (a full disk) is tried again: the spool files it holds back go with it.
    if (!finishedSaved_) saveFinished();
    drainSpool();

    ++ticksSinceTokenFetch_;
    if (ticksSinceTokenFetch_ >= phoneSyncPeriod || attentiveTicks_ >= 1) {
        ticksSinceTokenFetch_ = 0;
        attentiveTicks_ = std::max(attentiveTicks_ - 1, 0);
        later([this] { syncPhone(); });
    }

    const Instant now = services_.clock->now();
    std::vector<Effect> effects;
    mutateMachine([&](StateMachine& machine) { effects = machine.tick(now); });
    applyEffects(effects, true);
    settle();

    publishListsIfNeeded();
    refreshHookStatus();
    later([this] { checkBannersAllowed(); });
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
        if (alert.kind == Alert::Kind::done) setFloppyPutBack(false);
        if (!live) continue;
        // A sound or banner begun while the process ends would never be heard or seen.
        if (!muted_ && !shutDown_) {
            services_.sounds->play(soundFor(alert.kind), controls_.volume);
            later([this, alert] { services_.notifier->post(alert); });
        }
        routePush(alert);
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

    if (muted_) return;
    std::vector<Session> sessions;
    sessions.reserve(machine_.sessions.size());
    for (const auto& [id, session] : machine_.sessions) sessions.push_back(session);
    // The machine keeps its sessions in no particular order; hand them over in a stable one.
    std::sort(sessions.begin(), sessions.end(), [](const Session& a, const Session& b) { return a.id < b.id; });
    liveActivity().reconcile(sessions, isAway(), pairedPhone_, services_.clock->now());
}

}  // namespace quorvel
