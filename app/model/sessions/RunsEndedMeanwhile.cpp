#include "app/model/sessions/RunsEndedMeanwhile.hpp"

#include <cmath>
#include <string>
#include <unordered_map>

namespace quorvel {

std::size_t endRunsFinishedMeanwhile(std::vector<Session>& kept, const std::vector<FinishedRun>& finished) {
    // A shell command's row ends no run; of the agent's rows, the newest of each session says
    // where it stands.
    std::unordered_map<std::string, const FinishedRun*> newest;
    for (const FinishedRun& row : finished) {
        if (row.chip != FinishedRun::Chip::claude) continue;
        auto [found, added] = newest.try_emplace(row.sessionID, &row);
        if (!added && row.finishedAt > found->second->finishedAt) found->second = &row;
    }
    std::size_t ended = 0;
    for (Session& session : kept) {
        // A saved end is the file's own word: a run ended by the clock (the background safety
        // net) ends after the last event, and its note is kept only there. An idle session is in
        // no run to take back, and may be idle because its end was dismissed after the row.
        using Kind = SessionState::Kind;
        if (session.state.is(Kind::done) || session.state.is(Kind::broke) || session.state.is(Kind::crashed) ||
            session.state.is(Kind::idle)) {
            continue;
        }
        const auto found = newest.find(session.id);
        // A row no later than the saved last event is one the saved session already knows.
        if (found == newest.end() || !(found->second->finishedAt > session.lastEventAt)) continue;
        const FinishedRun& row = *found->second;
        if (row.ok) {
            if (row.duration && std::isfinite(*row.duration)) {
                session.run = Run{row.finishedAt.adding(-*row.duration), row.title};
            }
            session.state = SessionState::done(session.run ? std::optional(session.run->title) : std::nullopt,
                                               row.duration, std::nullopt);
        } else {
            session.state = SessionState::idle();
        }
        session.waitingOnBackgroundSince.reset();
        session.unrecoveredFailure.reset();
        session.lastEventAt = row.finishedAt;
        ++ended;
    }
    return ended;
}

}  // namespace quorvel
