// The end of the process: what is saved, and the one bounded wait for the work that may
// never end (the login keyring, the network, a child process).
#include <algorithm>
#include <chrono>

#include "app/core/SpoolWrite.hpp"
#include "app/model/AppModel.hpp"

namespace quorvel {
namespace {

// How long keyring calls get to return once cancelled; inside the wait kept for the outcomes.
constexpr std::chrono::milliseconds cancelledCallsGrace{100};

std::chrono::milliseconds timeLeft(std::chrono::steady_clock::time_point waitEnds) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(waitEnds - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace

void AppModel::shutDown() {
    if (shutDown_) return;
    // From here on the spool drain stops and no event is handled: a session manager at
    // log-out doesn't wait for a backlog.
    shutDown_ = true;
    // The keyring, the network and the other work queues share one short wait, counted from
    // here: their work goes on on their own threads while the events are spooled and the list
    // saved, and the whole exit stays short enough that a log-out never has to kill the app.
    const auto waitEnds = std::chrono::steady_clock::now() + std::chrono::milliseconds(quitWaitMilliseconds);
    ticker_.stop();
    device_->stopAlarmTimer();
    if (server_) {
        server_->stop();
        writeSpoolFiles(services_.paths.spool(), server_->takeWaitingEvents());
    }
    // Live events still waiting behind the spool go back to it, to keep their turn next time.
    if (!liveWaiting_.empty()) {
        writeSpoolFiles(services_.paths.spool(), {liveWaiting_.begin(), liveWaiting_.end()});
        liveWaiting_.clear();
    }
    saveFinished();
    sessionSaver_.saveNow();
    services_.keepAwake->set(false);
    // The keyring goes first: ending its calls also frees a push waiting on credentials. It
    // stops short of the end of the wait, so the outcomes of the requests cancelled below
    // still get a moment to land inside it.
    finishKeyringWork(waitEnds - std::chrono::milliseconds(quitOutcomesMilliseconds));
    // Requests in flight are cancelled, never waited for; what a Live Activity request meant to
    // do is kept for the next start.
    bool allEnded = !keyringLeftBehind_;
    if (liveActivity_ && !liveActivity_->stop(timeLeft(waitEnds))) allEnded = false;
    for (const auto& queue : {services_.deliveryQueue, services_.phoneQueue, services_.processQueue}) {
        if (queue && !queue->waitUntilIdleFor(timeLeft(waitEnds))) allEnded = false;
    }
    if (allEnded) return;
    // Nothing waits for it any more: not the model's end, not the process's (see
    // `workLeftBehind`).
    workLeftBehind_ = true;
    if (!keyringLeftBehind_) logger_.notice("Work in the background hasn't ended; quitting without it");
}

void AppModel::finishKeyringWork(std::chrono::steady_clock::time_point waitEnds) {
    WorkQueue& queue = *services_.keychainQueue;
    // Only the user's changes are worth the wait: a read has nothing to keep, and on a locked
    // keyring it may wait for good on an unlock prompt nobody answers.
    bool finished = queue.waitUntilIdleFor(std::chrono::milliseconds(0));
    if (!finished && keyringChangesUnderWay_->load() > 0) finished = queue.waitUntilIdleFor(timeLeft(waitEnds));
    // Whatever else still waits on the keyring (a read, a push reading its credentials) stops
    // now; a cancelled call returns at once, as a rule, but one on a prompt may not.
    services_.keychain->abandonCalls();
    if (finished) return;
    logger_.notice("The login keyring hasn't answered; quitting without it");
    for (const KeyringSave& save : keyringSaves_) {
        if (!save.answered->load()) {
            logger_.error("The login keyring never confirmed saving the " + save.what + ": that change is lost");
        }
    }
    if (!queue.waitUntilIdleFor(cancelledCallsGrace)) keyringLeftBehind_ = true;
}

}  // namespace quorvel
