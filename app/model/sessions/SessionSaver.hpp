#pragma once
// Keeps the sessions in progress on disk as they change: a burst of changes costs one save, at
// most one every `intervalMilliseconds`, so the cost of an event stays flat however many
// sessions there are; `saveNow` (at quit) saves at once. A save that failed (a full disk) is
// owed until one works: `retryIfOwed` at each tick asks for it again. Main thread.
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>

#include "app/stores/RecentEventIDs.hpp"
#include "app/stores/SessionStore.hpp"
#include "kit/engine/StateMachine.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class SessionSaver {
public:
    static constexpr int intervalMilliseconds = 1000;

    /// Saves `machine` and `handledEvents` into `folder` (the application-support folder),
    /// stamped with `now`. All three must outlive the saver.
    SessionSaver(std::string folder, const StateMachine& machine, const RecentEventIDs& handledEvents,
                 std::function<Instant()> now);
    SessionSaver(const SessionSaver&) = delete;
    SessionSaver& operator=(const SessionSaver&) = delete;

    SessionStore& store() { return store_; }
    /// A save soon: at once when the last one is an interval old, else when it will be.
    void saveSoon();
    /// A save now; a save waiting for its time is not needed any more.
    void saveNow();
    /// A save soon when the last one failed: what the file holds is still behind.
    void retryIfOwed();

private:
    SessionStore store_;
    const StateMachine& machine_;
    const RecentEventIDs& handledEvents_;
    std::function<Instant()> now_;
    QTimer timer_;
    std::chrono::steady_clock::time_point savedAt_{};
    bool owed_ = false;
};

}  // namespace quorvel
