#pragma once
// In place of the main dispatch queue and the global queues: where a main-thread service
// sends the work that may wait (the keyring, the network) and how the results come back.
// Background work may run side by side; work handed to the main thread runs there later, in
// the order it was handed over.
#include <functional>

namespace quorvel {

class WorkThreads {
public:
    /// Waits for the background work in hand, so none of it outlives the threads it posts to.
    virtual ~WorkThreads() = default;

    /// Runs `work` off the main thread. Any thread may call it.
    virtual void runInBackground(std::function<void()> work) = 0;
    /// Runs `work` on the main thread, after what was handed over before it. Any thread may
    /// call it.
    virtual void runOnMainThread(std::function<void()> work) = 0;
};

}  // namespace quorvel
