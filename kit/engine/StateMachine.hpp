#pragma once
// The heart of the engine: owns every live session and turns hook events and the passing of
// time into session changes plus effects. A plain value that never calls out; its owner feeds
// it events and ticks on one thread and applies the effects it returns.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kit/engine/Effect.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/RunningRow.hpp"
#include "kit/engine/Session.hpp"
#include "kit/engine/StateMachineSettings.hpp"
#include "platform/Instant.hpp"

namespace quorvel {

struct StateMachine {
    /// The most characters of a prompt's first line that a run title keeps.
    static constexpr std::size_t runTitleLimit = 40;

    /// Seconds a session ended by "SessionEnd" is kept for the events the agent fired before
    /// it but which arrive after it (the agent runs some hooks asynchronously): beyond the
    /// helper's delivery window.
    static constexpr double endedSessionGrace = 2.0;

    /// Most sessions held at once: a new session beyond it makes room by dropping the least
    /// recently active idle session (the least recently active of all when none is idle).
    static constexpr std::size_t maxSessions = 1000;

    /// A session that "SessionEnd" removed, kept for the grace.
    struct EndedSession {
        Session session;
        /// Receive time of its "SessionEnd".
        Instant endedAt;
        bool operator==(const EndedSession&) const = default;
    };

    /// Every live session by id; the table's order means nothing.
    std::unordered_map<std::string, Session> sessions;
    /// Sessions ended less than `endedSessionGrace` ago, by id. An event stamped before the
    /// end is applied to the kept session as if it had come first (its effects are returned)
    /// and the session stays ended; it is never one of `sessions` again. Dropped by the first
    /// event or tick at or after the end plus the grace.
    std::unordered_map<std::string, EndedSession> endedSessions;
    /// Read on every call, so the owner may replace it at any time.
    StateMachineSettings settings;
    /// Display number of the next new session; numbers are never reused.
    std::int64_t nextNumber = 1;
    /// Ids of the sessions dropped to stay within `maxSessions`, oldest first, until the owner
    /// takes them (to report them) and clears the list.
    std::vector<std::string> droppedSessions;

    explicit StateMachine(StateMachineSettings settings = StateMachineSettings::standard())
        : settings(settings) {}

    /// Applies one hook event; returns its effects in order (an alert before its finished run).
    std::vector<Effect> handle(const HookEvent& event);

    /// Ends the session's run as done (with `note`) or, after a recent shell failure, as broke.
    /// Nothing when the session is already done. Changes `session` only; the caller stores it.
    std::vector<Effect> finish(Session& session, Instant now, const std::optional<std::string>& note) const;

    /// The clock step: background safety net, stale sessions, long runs; sessions visited in
    /// ascending id order.
    std::vector<Effect> tick(Instant now);

    /// True when some session is running or in a long run.
    bool hasBusySession() const;

    /// Makes a done, needs-you, broke or crashed session idle; anything else is left alone.
    void dismiss(std::string_view id);

    /// The session to feature on the device screen (a copy); absent with no sessions.
    std::optional<Session> focusSession() const;

    /// The RUNNING list: the featured session first, then by tier and most recent event.
    std::vector<RunningRow> runningRows(Instant now) const;

    /// Rank of a state for featuring and ordering: needs you 5, broke and crashed 4, done 3,
    /// running and long run 2, idle 1.
    static int tier(const SessionState& state);

    bool operator==(const StateMachine&) const = default;

private:
    /// The event's changes to an existing `session` and their effects (everything after
    /// finding or making the session).
    std::vector<Effect> apply(Session& session, const HookEvent& event, Instant now) const;
    void forgetEndedSessions(Instant now);
    /// Makes room for one more session within `maxSessions`.
    void dropLeastRecentlyActive();
};

/// The notification types that mean the agent waits for the user.
bool isNeedsYouNotificationType(std::string_view type);

/// A needs-you session with a run goes back to running with that run.
void resumeAfterNeedsYou(Session& session);

}  // namespace quorvel
