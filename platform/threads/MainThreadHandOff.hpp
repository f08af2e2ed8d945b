#pragma once
// In place of the main dispatch queue: how work running off the main thread (on a
// `WorkQueue`) hands its results back to the main thread. Work handed over runs there later,
// in the order it was handed over.
#include <functional>

namespace quorvel {

class MainThreadHandOff {
public:
    virtual ~MainThreadHandOff() = default;

    /// Runs `work` on the main thread, after what was handed over before it. Any thread may
    /// call it while the hand-off exists.
    virtual void runOnMainThread(std::function<void()> work) = 0;
    /// `runOnMainThread` as a function that stays safe to call after the hand-off is gone (the
    /// work is then dropped, or still run on the main thread): for background work that may
    /// be left behind at the end.
    virtual std::function<void(std::function<void()>)> poster() = 0;
    /// At the end, on the main thread: runs here, now, the work handed over and not run yet,
    /// so results that would otherwise come after the event loop has stopped still land. Each
    /// piece runs once: the event loop finds nothing left of it afterwards.
    virtual void runWaitingNow() = 0;
};

}  // namespace quorvel
