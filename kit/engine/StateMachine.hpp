#pragma once
// The heart of the engine: owns every live session and turns hook events and the passing of
// time into session changes plus effects. A plain value that never calls out; its owner feeds
// it events and ticks on one thread and applies the effects it returns.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kit/engine/Effect.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/RunningRow.hpp"
#include "kit/engine/Session.hpp"
#include "kit/engine/StateMachineSettings.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct StateMachine {
    /// The most characters of a prompt's first line that a run title keeps.
    static constexpr std::size_t runTitleLimit = 40;

    /// Seconds a session ended by "SessionEnd" is kept for the events the agent fired before
    /// it but which arrive after it (the agent runs some hooks asynchronously): beyond the
    /// helper's delivery window.
    static constexpr double endedSessionGrace = 2.0;

    /// Sessions held before a new one makes room: beyond it, a new session drops the least
    /// recently active session with nothing in progress (idle, done, broke or crashed, and
    /// not waiting on background tasks). A run in progress or a question to the user is never
    /// dropped to stay within it: the table grows instead, up to `hardMaxSessions`.
    static constexpr std::size_t maxSessions = 1000;
    /// The most sessions held at once, whatever they are doing: there, a new session drops the
    /// least recently active of all.
    static constexpr std::size_t hardMaxSessions = 10000;

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
    /// Ids of the sessions dropped to stay within `maxSessions` (or `hardMaxSessions`), oldest
    /// first, until the owner takes them (to report them) and clears the list.
    std::vector<std::string> droppedSessions;

    explicit StateMachine(StateMachineSettings settings = StateMachineSettings::standard())
        : settings(settings) {}

    /// Applies one hook event; returns its effects in order (an alert before its finished run).
    std::vector<Effect> handle(const HookEvent& event);

    /// Ends the session's run as done (with `note`) or, after a recent shell failure, as broke.
    /// Nothing when the session is already done. Changes `session` only; the caller stores it.
    std::vector<Effect> finish(Session& session, Instant now, const std::optional<std::string>& note) const;

    /// The clock step: background safety net, stale sessions, long runs; sessions visited in
    /// ascending id order. When `changedSessions` is given, it is set to whether any session
    /// changed, effects or not (a stale session goes idle without any). The three rules
    /// count only the time the computer was awake: the wall-clock time since the session's
    /// last event, its run's start or its wait's start, less the time asleep counted since.
    std::vector<Effect> tick(Instant now, bool* changedSessions = nullptr);

    /// The computer slept `seconds` (wall-clock time that passed while it was suspended)
    /// since the last call: the clock step doesn't count it, so a run that was in progress
    /// when the lid closed is neither stale nor long on waking. Counted for the sessions
    /// held then, in memory only: sessions taken back after a restart count from then on.
    /// Anything but a positive finite number is ignored.
    void countTimeAsleep(double seconds);

    /// True when some session is running or in a long run.
    bool hasBusySession() const;

    /// Makes a done, needs-you, broke or crashed session idle; anything else is left alone.
    void dismiss(std::string_view id);

    /// The session to feature on the device screen (a copy); absent with no sessions.
    std::optional<Session> focusSession() const;

    /// The RUNNING list: the featured session first, then by tier and most recent event; only
    /// its first `limit` rows, so a view that shows a few doesn't pay for the whole table.
    std::vector<RunningRow> runningRows(Instant now, std::size_t limit = SIZE_MAX) const;
    /// How many rows the whole RUNNING list holds at `now`.
    std::size_t runningRowCount(Instant now) const;

    /// Rank of a state for featuring and ordering: needs you 5, broke and crashed 4, done 3,
    /// running and long run 2, idle 1.
    static int tier(const SessionState& state);

    /// Nothing in progress: idle, done, broke or crashed, and no background wait. Only such a
    /// session makes room for a new one below `hardMaxSessions`.
    static bool isSettled(const Session& session);

    /// Takes back sessions kept from an earlier process (a restart): each replaces any
    /// session of the same id, and `nextNumber` moves past every number among them. The table
    /// may hold more than `maxSessions` afterwards; new sessions then make room as usual.
    void adopt(std::vector<Session> kept);

    /// Equal sessions, ended sessions, settings, counter and dropped ids.
    bool operator==(const StateMachine& other) const;

private:
    /// A session's place in the order in which sessions make room: settled ones first, then
    /// by last activity (a receive time that is not a number counts as the oldest), then id.
    struct ActivityKey {
        bool inProgress = false;
        double lastEventAt = 0;
        std::string id;
        auto operator<=>(const ActivityKey&) const = default;
    };
    static ActivityKey activityKeyOf(const Session& session);
    /// Moves `session` to its current place in `activity_` after a change from `before`.
    void reorder(const ActivityKey& before, const Session& session);
    /// Builds `activity_` again from the table (after the table was changed from outside).
    void rebuildActivity();

    /// The event's changes to an existing `session` and their effects (everything after
    /// finding or making the session).
    std::vector<Effect> apply(Session& session, const HookEvent& event, Instant now) const;
    void forgetEndedSessions(Instant now);
    /// The clock step for one session: at most one of the timed rules. Whether it changed.
    bool step(Session& session, Instant now, std::vector<Effect>& effects) const;
    /// Makes room for one more session when the table is at `maxSessions` and some session
    /// is settled, or at `hardMaxSessions`.
    void makeRoom();

    /// Every session of the table, in the order in which they make room. Kept in step by the
    /// machine's own operations; checked, and rebuilt when the table was changed from outside.
    std::set<ActivityKey> activity_;

    /// How much of `asleepSeconds_` had been counted when a session's clocks last started: its
    /// last event, its run's start, its background wait's start. A session without marks
    /// (taken back, or put in the table from outside) counts all the time asleep.
    struct AsleepMarks {
        double atLastEvent = 0;
        double atRunStart = 0;
        double atWaitStart = 0;
    };
    /// Seconds asleep since the machine was made.
    double asleepSeconds_ = 0;
    std::unordered_map<std::string, AsleepMarks> asleepMarks_;
    /// The seconds from `since` to `now` that count for the clock step, `asleepMark` being
    /// what `asleepSeconds_` was at `since`.
    double awakeSeconds(Instant now, Instant since, double asleepMark) const;
    /// When a session's run and background wait started.
    struct ClockStarts {
        std::optional<Instant> run;
        std::optional<Instant> wait;
        static ClockStarts of(const Session& session);
    };
    /// Marks the clocks of `session` that an event just started: its last event always, its
    /// run and wait when they differ from `before`.
    void markClocks(const Session& session, const ClockStarts& before);
};

/// The notification types that mean the agent waits for the user.
bool isNeedsYouNotificationType(std::string_view type);

/// A needs-you session with a run goes back to running with that run.
void resumeAfterNeedsYou(Session& session);

}  // namespace quorvel
