// Hook events reach the state machine by two roads: posted live to the event server, or
// spooled as files when the post failed. The helper stamps each event when it receives it;
// here the two roads are merged back into that order, so a spooled event is never applied
// after a later event of its session that went straight in.
#include <chrono>

#include "app/core/SpoolDrain.hpp"
#include "app/model/sessions/SessionsPart.hpp"

namespace quorvel {

void SessionsPart::receiveLiveEvent(HookEvent event) {
    if (shutDown_) {
        handleHookEvent(event, true);
        return;
    }
    liveWaiting_.push_back(std::move(event));
    // Behind a backlog the event waits for its turn; otherwise it goes now, once the spool
    // has been looked at.
    if (spoolBacklog_.empty()) {
        handleIntake();
    } else if (!spoolSliceQueued_) {
        spoolSliceQueued_ = true;
        hops_.later([this] {
            spoolSliceQueued_ = false;
            handleIntake();
        });
    }
}

void SessionsPart::drainSpool() {
    if (shutDown_) return;
    refillSpoolBacklog();
    handleIntake();
}

void SessionsPart::refillSpoolBacklog() {
    if (!spoolBacklog_.empty()) return;
    std::vector<SpooledEvent> spooled = readSpool(services_.paths.spool(), unsavedSpoolFiles_);
    spoolBacklog_.assign(std::make_move_iterator(spooled.begin()), std::make_move_iterator(spooled.end()));
}

void SessionsPart::handleIntake() {
    const auto sliceEnd = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(spoolSliceSeconds));
    while (!shutDown_) {
        // Before a live event goes, the spool is looked at again: a helper that couldn't post
        // an earlier event has spooled it by now.
        if (!liveWaiting_.empty()) refillSpoolBacklog();
        if (spoolBacklog_.empty() && liveWaiting_.empty()) break;
        const bool spooledFirst = liveWaiting_.empty() ||
                                  (!spoolBacklog_.empty() &&
                                   spoolBacklog_.front().event.receivedAt <= liveWaiting_.front().receivedAt);
        if (spooledFirst) {
            SpooledEvent spooled = std::move(spoolBacklog_.front());
            spoolBacklog_.pop_front();
            handleHookEvent(spooled.event, false);
            // Each file goes only once what its event produced is on disk: a crash or a full
            // disk leaves the events not yet saved in the folder. A file that can't be removed
            // is never read again in this run either, so its event is not handled twice.
            if (!finishedSaved_ || !removeSpoolFile(services_.paths.spool(), spooled.name)) {
                unsavedSpoolFiles_.insert(std::move(spooled.name));
            }
        } else {
            HookEvent live = std::move(liveWaiting_.front());
            liveWaiting_.pop_front();
            handleHookEvent(live, true);
        }
        if (std::chrono::steady_clock::now() >= sliceEnd) break;
    }
    if ((spoolBacklog_.empty() && liveWaiting_.empty()) || shutDown_ || spoolSliceQueued_) return;
    spoolSliceQueued_ = true;
    hops_.later([this] {
        spoolSliceQueued_ = false;
        handleIntake();
    });
}

}  // namespace quorvel
