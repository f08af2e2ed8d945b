// How the session table stays bounded without losing a run in progress: every session has a
// place in one ordered index (settled sessions first, then by last activity), so the session
// that makes room is found in logarithmic time however many sessions are live.
#include <cmath>
#include <limits>

#include "kit/engine/StateMachine.hpp"

namespace quorvel {

bool StateMachine::isSettled(const Session& session) {
    if (session.waitingOnBackgroundSince) return false;
    switch (session.state.kind()) {
        case SessionState::Kind::idle:
        case SessionState::Kind::done:
        case SessionState::Kind::broke:
        case SessionState::Kind::crashed: return true;
        case SessionState::Kind::running:
        case SessionState::Kind::longRun:
        case SessionState::Kind::needsYou: return false;
    }
    return false;
}

StateMachine::ActivityKey StateMachine::activityKeyOf(const Session& session) {
    double seconds = session.lastEventAt.unixSeconds();
    // A corrupt receive time counts as the oldest activity, never as an unordered value.
    if (std::isnan(seconds)) seconds = -std::numeric_limits<double>::infinity();
    return ActivityKey{!isSettled(session), seconds, session.id};
}

void StateMachine::reorder(const ActivityKey& before, const Session& session) {
    ActivityKey after = activityKeyOf(session);
    if (after == before) return;
    activity_.erase(before);
    activity_.insert(std::move(after));
}

void StateMachine::rebuildActivity() {
    activity_.clear();
    for (const auto& entry : sessions) activity_.insert(activityKeyOf(entry.second));
}

void StateMachine::makeRoom() {
    if (sessions.size() < maxSessions) return;
    // The table is public: whoever changed it from outside left the index behind.
    const auto firstMatches = [this] {
        if (activity_.size() != sessions.size() || activity_.empty()) return false;
        auto found = sessions.find(activity_.begin()->id);
        return found != sessions.end() && activityKeyOf(found->second) == *activity_.begin();
    };
    if (!firstMatches()) rebuildActivity();
    if (activity_.empty()) return;

    const ActivityKey& first = *activity_.begin();
    if (first.inProgress && sessions.size() < hardMaxSessions) return;
    droppedSessions.push_back(first.id);
    asleepMarks_.erase(first.id);
    sessions.erase(first.id);
    activity_.erase(activity_.begin());
}

void StateMachine::adopt(std::vector<Session> kept) {
    for (Session& session : kept) {
        if (auto existing = sessions.find(session.id); existing != sessions.end()) {
            activity_.erase(activityKeyOf(existing->second));
            sessions.erase(existing);
        }
        // Its clocks ran in an earlier process: every time asleep counted here is its own.
        asleepMarks_.erase(session.id);
        if (session.number >= nextNumber && session.number < std::numeric_limits<std::int64_t>::max()) {
            nextNumber = session.number + 1;
        }
        activity_.insert(activityKeyOf(session));
        std::string id = session.id;
        sessions.insert_or_assign(std::move(id), std::move(session));
    }
}

bool StateMachine::operator==(const StateMachine& other) const {
    return sessions == other.sessions && endedSessions == other.endedSessions && settings == other.settings &&
           nextNumber == other.nextNumber && droppedSessions == other.droppedSessions;
}

}  // namespace quorvel
