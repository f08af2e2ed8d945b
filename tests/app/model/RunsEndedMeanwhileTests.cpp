// Sessions kept across a restart against the FINISHED list saved before them.
#include "app/model/sessions/RunsEndedMeanwhile.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

const Instant t0 = Instant::fromUnixSeconds(1'750'000'000);

Session runningSince(const std::string& id, double lastEventSeconds) {
    Session made;
    made.id = id;
    made.number = 1;
    made.run = Run{t0, "run of " + id};
    made.state = SessionState::running(*made.run);
    made.lastEventAt = t0.adding(lastEventSeconds);
    made.waitingOnBackgroundSince = t0.adding(lastEventSeconds);
    return made;
}

FinishedRun row(const std::string& session, const std::string& title, double endSeconds, bool ok = true,
                FinishedRun::Chip chip = FinishedRun::Chip::claude) {
    FinishedRun made;
    made.chip = chip;
    made.title = title;
    made.sessionID = session;
    made.finishedAt = t0.adding(endSeconds);
    made.ok = ok;
    if (ok) made.duration = endSeconds - 2;
    return made;
}

TEST(RunsEndedMeanwhileTests, ARunTheListEndedAfterTheLastSavedEventIsTakenBackAsItsListSays) {
    std::vector<Session> kept{runningSince("ended", 5), runningSince("failed", 5), runningSince("known", 5),
                              runningSince("shell", 5), runningSince("untouched", 5)};
    Session alreadyDone = runningSince("done", 5);
    alreadyDone.state = SessionState::done("run of done", 5.0, "still running in background");
    kept.push_back(alreadyDone);
    // Its end seen and dismissed: idle, though the row ended after its last event.
    Session dismissed = runningSince("dismissed", 5);
    dismissed.state = SessionState::idle();
    kept.push_back(dismissed);
    // Newest first; the stop of "ended" was followed by a second run within the same moment.
    const std::vector<FinishedRun> finished{row("ended", "second run", 9),
                                            row("ended", "run of ended", 6),
                                            row("failed", "run of failed", 6, false),
                                            row("known", "run of known", 5),
                                            row("shell", "make", 8, true, FinishedRun::Chip::shell),
                                            row("done", "run of done", 600),
                                            row("dismissed", "run of dismissed", 6)};

    EXPECT_EQ(endRunsFinishedMeanwhile(kept, finished), 2u);

    const Session& ended = kept[0];
    EXPECT_EQ(ended.state, SessionState::done("second run", 7.0, std::nullopt));
    EXPECT_EQ(ended.run, (quorvel::Run{t0.adding(2), "second run"}));
    EXPECT_EQ(ended.lastEventAt, t0.adding(9));
    EXPECT_FALSE(ended.waitingOnBackgroundSince);

    // What failed isn't in the row: not running, the run kept.
    const Session& failed = kept[1];
    EXPECT_EQ(failed.state, SessionState::idle());
    EXPECT_EQ(failed.run, (quorvel::Run{t0, "run of failed"}));
    EXPECT_EQ(failed.lastEventAt, t0.adding(6));

    // A row no later than the last saved event, a shell command, no row at all, a saved end.
    for (std::size_t index = 2; index < 5; ++index) EXPECT_EQ(kept[index], runningSince(kept[index].id, 5));
    EXPECT_EQ(kept[5], alreadyDone);
    EXPECT_EQ(kept[6], dismissed);
}

}  // namespace
}  // namespace quorvel
