#pragma once
// In place of the global dispatch queues: where a main-thread service sends the work that may
// wait (the keyring, the network, another program) so the main thread never does. The results
// go back to the main thread through the service's own hand-off (`MainThreadHandOff`, or the
// model's queued calls).
//
// Threads: any thread may call `run`; the waits are for the thread that owns the queue. What
// destroying a queue does with the work in hand is the implementation's to say: a bounded wait
// that leaves stuck work behind (`ThreadPoolWorkQueue`), or no wait at all
// (`DetachableWorkQueue`). Either way work may outlive the queue and whatever handed it over,
// so it owns (shares) everything it touches.
#include <chrono>
#include <functional>

namespace quorvel {

class WorkQueue {
public:
    virtual ~WorkQueue() = default;

    /// Runs `work` later, off the caller's thread (or at once, for a queue that says so).
    virtual void run(std::function<void()> work) = 0;
    /// Waits until every piece of work handed over so far has finished.
    virtual void waitUntilIdle() = 0;
    /// As `waitUntilIdle`, but for at most `limit`; true when everything finished in time.
    virtual bool waitUntilIdleFor(std::chrono::milliseconds limit) = 0;
};

}  // namespace quorvel
