#pragma once
// In place of the main dispatch queue and the global queues: where a main-thread service
// sends the work that may wait (the keyring, the network) and how the results come back.
// Background work may run side by side; work handed to the main thread runs there later, in
// the order it was handed over.
#include <chrono>
#include <functional>

namespace quorvel {

class WorkThreads {
public:
    /// Waits for the background work in hand, for a bounded time: work still running then
    /// may be left behind, so background work owns what it touches and posts its results
    /// through `mainThreadPoster`.
    virtual ~WorkThreads() = default;

    /// Runs `work` off the main thread. Any thread may call it.
    virtual void runInBackground(std::function<void()> work) = 0;
    /// Runs `work` on the main thread, after what was handed over before it. Any thread may
    /// call it.
    virtual void runOnMainThread(std::function<void()> work) = 0;
    /// `runOnMainThread` as a function that stays safe to call after these threads are gone
    /// (the work is then dropped, or still run on the main thread): for background work that
    /// may be left behind.
    virtual std::function<void(std::function<void()>)> mainThreadPoster() = 0;
    /// At the end, on the main thread: waits at most `longest` for the background work in
    /// hand, then runs here the work it handed to the main thread, so results that would
    /// otherwise come after the event loop has stopped still land. True when no background
    /// work was left.
    virtual bool finish(std::chrono::milliseconds longest) = 0;
};

}  // namespace quorvel
