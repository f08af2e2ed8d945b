// Hook events reach the state machine by two roads: posted live to the event server, or
// spooled as files when the post failed. The helper stamps each event when it receives it;
// here the two roads are merged back into that order, so a spooled event is never applied
// after a later event of its session that went straight in, nor before an earlier one that
// the server accepted and still holds.
#include <chrono>

#include "app/intake/EventStamp.hpp"
#include "app/intake/SpoolDrain.hpp"
#include "app/model/sessions/SessionsPart.hpp"

namespace quorvel {

void SessionsPart::receiveLiveEvent(HookEvent event) {
    believeStamp(event, services_.clock->now().unixSeconds(), readBootStamp());
    if (shutDown_) {
        handleHookEvent(event, true);
        return;
    }
    liveWaitingStamps_.insert(event);
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
    if (!spoolNotifier_ && spoolWatch_.descriptor() >= 0) {
        // A spooled event is handled when it lands rather than at the next tick: its place
        // among live events is then known before later ones arrive.
        spoolNotifier_ = std::make_unique<QSocketNotifier>(spoolWatch_.descriptor(), QSocketNotifier::Read);
        connect(spoolNotifier_.get(), &QSocketNotifier::activated, this, [this] { drainSpool(); });
    }
    // Temporaries abandoned since the last listing change nothing the watch sees: they are
    // swept up by a listing at least once in their lifetime.
    if (std::chrono::steady_clock::now() - spoolListedAt_ >= std::chrono::duration<double>(staleTemporarySeconds)) {
        spoolMayHaveNew_ = true;
    }
    refillSpoolBacklog();
    handleIntake();
}

void SessionsPart::refillSpoolBacklog() {
    // Asked every time, so the watch's descriptor is quiet again whatever the backlog holds.
    if (spoolWatch_.mayHaveChanged()) spoolMayHaveNew_ = true;
    if (!spoolBacklog_.empty() || !spoolMayHaveNew_) return;
    spoolMayHaveNew_ = false;
    spoolListedAt_ = std::chrono::steady_clock::now();
    std::set<std::string> handledFiles = unsavedSpoolFiles_;
    handledFiles.insert(spoolFilesToRemove_.begin(), spoolFilesToRemove_.end());
    std::vector<SpooledEvent> spooled = readSpool(services_.paths.spool(), handledFiles, &stuckSpoolEntries_);
    const double readAt = services_.clock->now().unixSeconds();
    const std::optional<BootStamp> bootAt = readBootStamp();
    bool restamped = false;
    for (SpooledEvent& each : spooled) restamped |= believeStamp(each.event, readAt, bootAt);
    if (restamped) sortByReceiveOrder(spooled, [](const SpooledEvent& each) -> const HookEvent& { return each.event; });
    spoolBacklog_.assign(std::make_move_iterator(spooled.begin()), std::make_move_iterator(spooled.end()));
}

bool SessionsPart::acceptedEarlierThan(const HookEvent& event) const {
    if (liveWaitingStamps_.holdsOneBefore(event)) return true;
    return server_ && server_->holdsEventStampedBefore(event);
}

void SessionsPart::handleIntake() {
    const auto sliceEnd = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(spoolSliceSeconds));
    // The spooled event next in turn waits for an accepted event the server still holds: the
    // server hands that over and the intake goes on from there.
    bool heldForServer = false;
    while (!shutDown_) {
        // Before a live event goes, the spool is looked at again: a helper that couldn't post
        // an earlier event has spooled it by now.
        if (!liveWaiting_.empty()) refillSpoolBacklog();
        if (spoolBacklog_.empty() && liveWaiting_.empty()) break;
        const bool spooledNext =
            !spoolBacklog_.empty() && !acceptedEarlierThan(spoolBacklog_.front().event);
        if (spooledNext) {
            SpooledEvent spooled = std::move(spoolBacklog_.front());
            spoolBacklog_.pop_front();
            handleHookEvent(spooled.event, false);
            // Each file goes only once what its event produced is on disk: a crash or a full
            // disk leaves the events not yet saved in the folder. A file that can't be removed
            // is never read again in this run either, so its event is not handled twice.
            if (!finishedSaved_) {
                unsavedSpoolFiles_.insert(std::move(spooled.name));
            } else if (spooled.event.eventID) {
                // Removing a file can wait on the disk for milliseconds (a file system that
                // discards freed blocks at once, a busy device): paid per file, it would hold
                // the events behind a backlog for seconds. Its identity, saved with the
                // sessions, keeps the event from being applied twice should the file outlive
                // this run.
                spoolFilesToRemove_.insert(std::move(spooled.name));
            } else if (!removeSpoolFile(spooled.name)) {
                unsavedSpoolFiles_.insert(std::move(spooled.name));
            }
        } else if (!liveWaiting_.empty()) {
            HookEvent live = std::move(liveWaiting_.front());
            liveWaiting_.pop_front();
            liveWaitingStamps_.erase(live);
            handleHookEvent(live, true);
        } else {
            heldForServer = true;
            break;
        }
        if (std::chrono::steady_clock::now() >= sliceEnd) break;
    }
    const bool intakeIdle = spoolBacklog_.empty() && liveWaiting_.empty();
    if (intakeIdle && spooledHandledAlready_ > 0) {
        logger_.notice("Skipped " + std::to_string(spooledHandledAlready_) +
                       " spooled events handled already (posted too, or left in the spool by an earlier run)");
        spooledHandledAlready_ = 0;
    }
    if (intakeIdle && !shutDown_) removeHandledSpoolFiles(sliceEnd);
    const bool workLeft = !intakeIdle || !spoolFilesToRemove_.empty();
    if (!workLeft || heldForServer || shutDown_ || spoolSliceQueued_) return;
    spoolSliceQueued_ = true;
    hops_.later([this] {
        spoolSliceQueued_ = false;
        handleIntake();
    });
}

void SessionsPart::removeHandledSpoolFiles(std::chrono::steady_clock::time_point sliceEnd) {
    // Oldest first (the names begin with their stamps); at least one per slice, so the
    // removals move on however long the events took.
    while (!spoolFilesToRemove_.empty()) {
        auto oldest = spoolFilesToRemove_.begin();
        std::string name = std::move(spoolFilesToRemove_.extract(oldest).value());
        if (!removeSpoolFile(name)) unsavedSpoolFiles_.insert(std::move(name));
        if (std::chrono::steady_clock::now() >= sliceEnd) break;
    }
}

bool SessionsPart::removeSpoolFile(const std::string& name) {
    // A folder swapped for a link mid-drain fails every file of the backlog at once.
    return quorvel::removeSpoolFile(services_.paths.spool(), name, spoolRemovalFailures_, services_.clock->now());
}

}  // namespace quorvel
