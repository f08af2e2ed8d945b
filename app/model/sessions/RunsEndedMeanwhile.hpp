#pragma once
// The FINISHED list is saved the moment a run ends, the sessions in progress a moment later
// (their saves are spaced out), so a process ended in between (a crash, kill -9, a power cut)
// leaves a kept session in a run that the list already holds as ended. Taken back as it stands,
// its next prompt would continue that run, and its stop would record the run a second time,
// with a length counted from the first start and the new prompt's title lost. Plain values;
// any thread.
#include <cstddef>
#include <vector>

#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/Session.hpp"

namespace quorvel {

/// Ends each session of `kept` that the newest agent run of `finished` for it (the rows of a
/// shell command end no run) shows ended after the session's last saved event: done with that
/// row's title and duration, its run the one the row measured, when it ended well; idle after
/// a failure (what failed is not in the row), its run kept. Either way the session waits on
/// nothing and its last event is the row's end. A session saved at an end already (done, broke
/// or crashed) or idle (a dismissed end among them) keeps it, and so does one the list holds
/// nothing newer for. How many were ended.
std::size_t endRunsFinishedMeanwhile(std::vector<Session>& kept, const std::vector<FinishedRun>& finished);

}  // namespace quorvel
