#pragma once
// Where the model sends work that may wait (the network, the keyring) so the main thread
// never does. Results come back to the main thread through the model.
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
