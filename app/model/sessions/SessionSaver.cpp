#include "app/model/sessions/SessionSaver.hpp"

#include <algorithm>

namespace quorvel {

SessionSaver::SessionSaver(std::string folder, const StateMachine& machine, const RecentEventIDs& handledEvents,
                           std::function<Instant()> now)
    : store_(std::move(folder)), machine_(machine), handledEvents_(handledEvents), now_(std::move(now)) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { saveNow(); });
}

void SessionSaver::saveSoon() {
    if (timer_.isActive()) return;
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - savedAt_);
    const auto wait = std::max<std::chrono::milliseconds::rep>(intervalMilliseconds - since.count(), 0);
    timer_.start(static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait, intervalMilliseconds)));
}

void SessionSaver::saveNow() {
    timer_.stop();
    savedAt_ = std::chrono::steady_clock::now();
    owed_ = !store_.save(machine_, handledEvents_, now_());
}

void SessionSaver::retryIfOwed() {
    if (owed_) saveSoon();
}

}  // namespace quorvel
