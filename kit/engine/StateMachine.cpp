#include "kit/engine/StateMachine.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "kit/engine/CopyBook.hpp"
#include "kit/engine/ShellFailureText.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

constexpr std::string_view defaultNeedsYouMessage = "Claude needs you";

Alert alertFor(const Session& session, Alert::Kind kind, Instant now) {
    Alert alert;
    alert.kind = kind;
    alert.sessionID = session.id;
    alert.headline = CopyBook::headline(session.state);
    alert.detail = CopyBook::detail(session.state, now, session.project());
    alert.project = session.project();
    if (session.run) alert.runTitle = session.run->title;
    if (const auto* done = session.state.as<SessionState::Done>()) alert.duration = done->duration;
    return alert;
}

FinishedRun finishedFor(const Session& session, Instant now, FinishedRun::Chip chip, std::string title,
                        std::optional<double> duration, bool ok, std::optional<std::string> log = std::nullopt) {
    FinishedRun run;
    run.chip = chip;
    run.title = std::move(title);
    // A clock set back between the start and the end must not make a negative length.
    if (duration && *duration < 0) duration = 0.0;
    run.duration = duration;
    run.ok = ok;
    run.project = session.project();
    run.sessionID = session.id;
    run.finishedAt = now;
    run.log = std::move(log);
    return run;
}

std::string runTitleOf(const Session& session) { return session.run ? session.run->title : std::string(); }

// Instants ordered with NaN below everything, so a bad receive time cannot break the sort.
bool isLater(Instant first, Instant second) {
    const double a = first.unixSeconds();
    const double b = second.unixSeconds();
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a > b;
}

}  // namespace

bool isNeedsYouNotificationType(std::string_view type) {
    static const std::array<std::string_view, 4> types{"permission_prompt", "elicitation_dialog",
                                                       "elicitation_url_dialog", "agent_needs_input"};
    return std::find(types.begin(), types.end(), type) != types.end();
}

void resumeAfterNeedsYou(Session& session) {
    if (session.state.is(SessionState::Kind::needsYou) && session.run) {
        session.state = SessionState::running(*session.run);
    }
}

int StateMachine::tier(const SessionState& state) {
    switch (state.kind()) {
        case SessionState::Kind::needsYou: return 5;
        case SessionState::Kind::broke:
        case SessionState::Kind::crashed: return 4;
        case SessionState::Kind::done: return 3;
        case SessionState::Kind::running:
        case SessionState::Kind::longRun: return 2;
        case SessionState::Kind::idle: return 1;
    }
    return 1;
}

std::vector<Effect> StateMachine::handle(const HookEvent& event) {
    const Instant now = event.receivedInstant();

    forgetEndedSessions(now);

    if (event.kind() == HookEventKind::sessionEnd) {
        if (auto ending = sessions.find(event.sessionID); ending != sessions.end()) {
            activity_.erase(activityKeyOf(ending->second));
            asleepMarks_.erase(event.sessionID);
            endedSessions.insert_or_assign(event.sessionID, EndedSession{std::move(ending->second), now});
            sessions.erase(ending);
        }
        return {};
    }

    // A hook the agent fired before the session's end, delivered after it (an asynchronous
    // Stop or StopFailure racing the synchronous SessionEnd): it belongs to the ended session.
    if (auto ended = endedSessions.find(event.sessionID); ended != endedSessions.end() && now < ended->second.endedAt) {
        return apply(ended->second.session, event, now);
    }

    auto found = sessions.find(event.sessionID);
    if (found == sessions.end()) {
        makeRoom();
        Session fresh;
        fresh.id = event.sessionID;
        fresh.number = nextNumber++;
        fresh.termProgram = event.termProgram;
        fresh.cwd = event.cwd;
        fresh.lastEventAt = now;
        found = sessions.emplace(event.sessionID, std::move(fresh)).first;
        activity_.insert(activityKeyOf(found->second));
        asleepMarks_.insert_or_assign(event.sessionID, AsleepMarks{asleepSeconds_, asleepSeconds_, asleepSeconds_});
    }
    const ActivityKey before = activityKeyOf(found->second);
    const ClockStarts startsBefore = ClockStarts::of(found->second);
    std::vector<Effect> effects = apply(found->second, event, now);
    reorder(before, found->second);
    markClocks(found->second, startsBefore);
    return effects;
}

StateMachine::ClockStarts StateMachine::ClockStarts::of(const Session& session) {
    return {session.run ? std::optional(session.run->startedAt) : std::nullopt, session.waitingOnBackgroundSince};
}

void StateMachine::markClocks(const Session& session, const ClockStarts& before) {
    AsleepMarks& marks = asleepMarks_[session.id];
    marks.atLastEvent = asleepSeconds_;
    const ClockStarts after = ClockStarts::of(session);
    if (after.run != before.run) marks.atRunStart = asleepSeconds_;
    if (after.wait != before.wait) marks.atWaitStart = asleepSeconds_;
}

void StateMachine::countTimeAsleep(double seconds) {
    if (std::isfinite(seconds) && seconds > 0) asleepSeconds_ += seconds;
}

double StateMachine::awakeSeconds(Instant now, Instant since, double asleepMark) const {
    return now.secondsSince(since) - (asleepSeconds_ - asleepMark);
}

void StateMachine::forgetEndedSessions(Instant now) {
    std::erase_if(endedSessions, [now](const auto& entry) {
        return now.secondsSince(entry.second.endedAt) >= endedSessionGrace;
    });
}

std::vector<Effect> StateMachine::apply(Session& session, const HookEvent& event, Instant now) const {
    const HookEventKind kind = event.kind();
    session.lastEventAt = now;
    if (!session.termProgram) session.termProgram = event.termProgram;
    if (event.cwd) session.cwd = event.cwd;
    if (kind != HookEventKind::stop && kind != HookEventKind::stopFailure && kind != HookEventKind::postToolUseFailure) {
        session.unrecoveredFailure.reset();
    }

    const bool isBash = event.toolName == std::optional<std::string>("Bash");

    if (kind == HookEventKind::sessionStart) {
        if (event.source == std::optional<std::string>("clear")) {
            session.state = SessionState::idle();
            session.run.reset();
            session.waitingOnBackgroundSince.reset();
        }
        return {};
    }

    if (kind == HookEventKind::userPromptSubmit) {
        if (event.isTaskNotification != true) {
            if (session.state.isBusy() && session.run) {
                session.state = SessionState::running(*session.run);
            } else {
                Run run{now, text::prefixCharacters(event.promptFirstLine.value_or(""), runTitleLimit)};
                session.run = run;
                session.state = SessionState::running(std::move(run));
                session.waitingOnBackgroundSince.reset();
            }
        } else {
            session.waitingOnBackgroundSince.reset();
            if (!session.state.isBusy()) {
                Run run{now, runTitleOf(session)};
                session.run = run;
                session.state = SessionState::running(std::move(run));
            }
        }
        return {};
    }

    if (kind == HookEventKind::stop) {
        if (event.backgroundTaskCount && *event.backgroundTaskCount >= 1) {
            session.waitingOnBackgroundSince = now;
            if (!session.state.isBusy() && session.run) session.state = SessionState::running(*session.run);
            return {};
        }
        session.waitingOnBackgroundSince.reset();
        return finish(session, now, std::nullopt);
    }

    if (kind == HookEventKind::stopFailure) {
        session.waitingOnBackgroundSince.reset();
        SessionState crashed = SessionState::crashed(CopyBook::crashReason(event.error));
        if (crashed == session.state) return {};
        session.state = std::move(crashed);
        return {Effect::alert(alertFor(session, Alert::Kind::crashed, now)),
                Effect::finished(finishedFor(session, now, FinishedRun::Chip::claude, runTitleOf(session),
                                             std::nullopt, false))};
    }

    if (kind == HookEventKind::notification) {
        if (!event.notificationType || !isNeedsYouNotificationType(*event.notificationType)) return {};
        SessionState needsYou =
            SessionState::needsYou(event.message.value_or(std::string(defaultNeedsYouMessage)));
        if (needsYou == session.state) return {};
        session.state = std::move(needsYou);
        return {Effect::alert(alertFor(session, Alert::Kind::needsYou, now))};
    }

    if (kind == HookEventKind::postToolUse) {
        resumeAfterNeedsYou(session);
        if (isBash && event.runInBackground != true && event.durationMs) {
            const double seconds = static_cast<double>(*event.durationMs) / 1000.0;
            if (settings.shellCommandMinimum <= seconds) {
                return {Effect::finished(
                    finishedFor(session, now, FinishedRun::Chip::shell, event.command.value_or(""), seconds, true))};
            }
        }
        return {};
    }

    if (kind == HookEventKind::postToolUseFailure) {
        if (isBash && event.isInterrupt != true) {
            const std::string command = event.command.value_or("");
            session.unrecoveredFailure = Session::ShellFailure{command, parseExitCode(event.error), now};
            std::optional<double> duration;
            if (event.durationMs) duration = static_cast<double>(*event.durationMs) / 1000.0;
            return {Effect::finished(finishedFor(session, now, FinishedRun::Chip::shell, command, duration, false,
                                                 summariseFailureLog(event.error)))};
        }
        session.unrecoveredFailure.reset();
        resumeAfterNeedsYou(session);
        return {};
    }

    return {};
}

std::vector<Effect> StateMachine::finish(Session& session, Instant now,
                                         const std::optional<std::string>& note) const {
    if (session.state.is(SessionState::Kind::done)) return {};

    if (session.unrecoveredFailure && now.secondsSince(session.unrecoveredFailure->at) <= settings.brokeWindow) {
        Session::ShellFailure failure = std::move(*session.unrecoveredFailure);
        session.unrecoveredFailure.reset();
        session.state = SessionState::broke(std::move(failure.command), failure.exitCode);
        return {Effect::alert(alertFor(session, Alert::Kind::broke, now)),
                Effect::finished(finishedFor(session, now, FinishedRun::Chip::claude, runTitleOf(session),
                                             std::nullopt, false))};
    }

    session.unrecoveredFailure.reset();
    std::optional<std::string> title;
    std::optional<double> duration;
    if (session.run) {
        title = session.run->title;
        const double length = now.secondsSince(session.run->startedAt);
        // A length that is not a number (a corrupt receive time) is unknown, not stored; a
        // clock set back since the start makes it 0, never negative.
        if (std::isfinite(length)) duration = std::max(length, 0.0);
    }
    session.state = SessionState::done(title, duration, note);
    return {Effect::alert(alertFor(session, Alert::Kind::done, now)),
            Effect::finished(finishedFor(session, now, FinishedRun::Chip::claude, runTitleOf(session), duration, true))};
}

std::vector<Effect> StateMachine::tick(Instant now, bool* changedSessions) {
    forgetEndedSessions(now);
    std::vector<std::string> ids;
    ids.reserve(sessions.size());
    for (const auto& entry : sessions) ids.push_back(entry.first);
    std::sort(ids.begin(), ids.end());

    std::vector<Effect> effects;
    bool changed = false;
    for (const std::string& id : ids) {
        Session& session = sessions.at(id);
        const ActivityKey before = activityKeyOf(session);
        changed = step(session, now, effects) || changed;
        reorder(before, session);
    }
    if (changedSessions) *changedSessions = changed;
    return effects;
}

bool StateMachine::step(Session& session, Instant now, std::vector<Effect>& effects) const {
    const auto found = asleepMarks_.find(session.id);
    const AsleepMarks marks = found == asleepMarks_.end() ? AsleepMarks{} : found->second;
    if (session.waitingOnBackgroundSince) {
        if (awakeSeconds(now, *session.waitingOnBackgroundSince, marks.atWaitStart) >=
            settings.backgroundSafetyNetAfter) {
            session.waitingOnBackgroundSince.reset();
            auto finished = finish(session, now, std::string(CopyBook::backgroundNote));
            effects.insert(effects.end(), std::make_move_iterator(finished.begin()),
                           std::make_move_iterator(finished.end()));
            return true;
        }
        return false;  // a younger wait blocks the stale and long-run rules
    }
    if (session.state.isBusy() && awakeSeconds(now, session.lastEventAt, marks.atLastEvent) >= settings.staleAfter) {
        session.state = SessionState::idle();
        return true;
    }
    if (const auto* running = session.state.as<SessionState::Running>();
        running && awakeSeconds(now, running->run.startedAt, marks.atRunStart) >= settings.longRunAfter) {
        session.state = SessionState::longRun(running->run);
        effects.push_back(Effect::alert(alertFor(session, Alert::Kind::longRun, now)));
        return true;
    }
    return false;
}

bool StateMachine::hasBusySession() const {
    return std::any_of(sessions.begin(), sessions.end(),
                       [](const auto& entry) { return entry.second.state.isBusy(); });
}

void StateMachine::dismiss(std::string_view id) {
    auto found = sessions.find(std::string(id));
    if (found == sessions.end()) return;
    Session& session = found->second;
    if (session.state.isBusy() || session.state.is(SessionState::Kind::idle)) return;
    const ActivityKey before = activityKeyOf(session);
    session.state = SessionState::idle();
    reorder(before, session);
}

std::optional<Session> StateMachine::focusSession() const {
    const Session* best = nullptr;
    for (const auto& entry : sessions) {
        const Session& candidate = entry.second;
        if (best == nullptr) {
            best = &candidate;
            continue;
        }
        const int candidateTier = tier(candidate.state);
        const int bestTier = tier(best->state);
        if (candidateTier > bestTier || (candidateTier == bestTier && isLater(candidate.lastEventAt, best->lastEventAt))) {
            best = &candidate;
        }
    }
    if (best == nullptr) return std::nullopt;
    return *best;
}

namespace {

/// Whether `session` has a row in the RUNNING list at `now`.
bool hasRunningRow(const Session& session, Instant now, double doneLingers) {
    if (session.state.is(SessionState::Kind::idle)) return false;
    return !session.state.is(SessionState::Kind::done) || now.secondsSince(session.lastEventAt) < doneLingers;
}

}  // namespace

std::size_t StateMachine::runningRowCount(Instant now) const {
    std::size_t count = 0;
    for (const auto& entry : sessions) count += hasRunningRow(entry.second, now, settings.doneLingers) ? 1 : 0;
    return count;
}

std::vector<RunningRow> StateMachine::runningRows(Instant now, std::size_t limit) const {
    const std::optional<Session> featured = focusSession();
    const std::optional<std::string> featuredID = featured ? std::optional<std::string>(featured->id) : std::nullopt;

    // Each kept session with its place in the table, which breaks the remaining ties as a
    // stable sort would.
    std::vector<std::pair<const Session*, std::size_t>> kept;
    for (const auto& entry : sessions) {
        if (hasRunningRow(entry.second, now, settings.doneLingers)) kept.emplace_back(&entry.second, kept.size());
    }

    const auto before = [&](const std::pair<const Session*, std::size_t>& left,
                            const std::pair<const Session*, std::size_t>& right) {
        const Session* a = left.first;
        const Session* b = right.first;
        const bool aFeatured = featuredID && a->id == *featuredID;
        const bool bFeatured = featuredID && b->id == *featuredID;
        if (aFeatured != bFeatured) return aFeatured;
        const int aTier = tier(a->state);
        const int bTier = tier(b->state);
        if (aTier != bTier) return aTier > bTier;
        if (isLater(a->lastEventAt, b->lastEventAt)) return true;
        if (isLater(b->lastEventAt, a->lastEventAt)) return false;
        return left.second < right.second;
    };
    if (kept.size() > limit) {
        std::partial_sort(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(limit), kept.end(), before);
        kept.resize(limit);
    } else {
        std::sort(kept.begin(), kept.end(), before);
    }

    std::vector<RunningRow> rows;
    rows.reserve(kept.size());
    for (const auto& [session, place] : kept) {
        RunningRow row;
        row.id = session->id;
        row.project = session->project();
        row.title = runTitleOf(*session);
        row.state = session->state;
        row.startedAt = session->run ? session->run->startedAt : session->lastEventAt;
        if (const auto* done = session->state.as<SessionState::Done>()) row.duration = done->duration;
        row.onScreen = featuredID && session->id == *featuredID;
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace quorvel
