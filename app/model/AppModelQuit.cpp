// The end of the process: what is saved, and the one bounded wait for the work that may
// never end (the login keyring, the network, a child process).
#include <algorithm>
#include <chrono>

#include "app/model/AppModel.hpp"

namespace quorvel {
namespace {

std::chrono::milliseconds timeLeft(std::chrono::steady_clock::time_point waitEnds) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(waitEnds - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

}  // namespace

void AppModel::shutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    // The keyring, the network and the other work queues share one short wait, counted from
    // here: their work goes on on their own threads while the events are spooled and the list
    // saved, and the whole exit stays short enough that a log-out never has to kill the app.
    const auto waitEnds = std::chrono::steady_clock::now() + std::chrono::milliseconds(quitWaitMilliseconds);
    device_->stopAlarmTimer();
    // No event is handled from here on: a session manager at log-out doesn't wait for a
    // backlog.
    sessions_->shutDown();
    // The keyring goes first: ending its calls also frees a push waiting on credentials. It
    // stops short of the end of the wait, so the outcomes of the requests cancelled below
    // still get a moment to land inside it.
    const bool keyringEnded =
        phone_->finishKeyringWork(waitEnds - std::chrono::milliseconds(quitOutcomesMilliseconds));
    // Requests in flight are cancelled, never waited for; what a Live Activity request meant to
    // do is kept for the next start.
    bool allEnded = keyringEnded;
    if (!phone_->stopLiveActivities(timeLeft(waitEnds))) allEnded = false;
    for (const auto& queue : {services_.deliveryQueue, services_.phoneQueue, services_.processQueue}) {
        if (queue && !queue->waitUntilIdleFor(timeLeft(waitEnds))) allEnded = false;
    }
    if (allEnded) return;
    // Nothing waits for it any more: not the model's end, not the process's (see
    // `workLeftBehind`).
    workLeftBehind_ = true;
    if (keyringEnded) logger_.notice("Work in the background hasn't ended; quitting without it");
}

}  // namespace quorvel
