#pragma once
// A thread pool the process can leave behind. Destroying it waits for the work in hand at
// most `longestWaitAtEnd`; work still running then (a keyring call stuck on a prompt nobody
// answers, a desktop service that took a request and went quiet) keeps its thread, and the
// pool is left to it: never freed, its threads end when their work does or with the process.
// Work not started by then never starts.
//
// So the work must own (share) everything it touches: it may outlive whatever handed it over.
// Any thread may call `start`; the waits and the destructor are for the owner's thread.
#include <QThreadPool>
#include <chrono>
#include <functional>

namespace quorvel {

class LeavableThreadPool {
public:
    /// `threads` pieces of work run side by side; idle threads end after `idleExpiry`.
    LeavableThreadPool(int threads, std::chrono::milliseconds longestWaitAtEnd,
                       std::chrono::milliseconds idleExpiry = std::chrono::seconds(30));
    ~LeavableThreadPool();
    LeavableThreadPool(const LeavableThreadPool&) = delete;
    LeavableThreadPool& operator=(const LeavableThreadPool&) = delete;

    void start(std::function<void()> work);
    /// Waits at most `limit` (a negative one counts as zero) for the work started so far;
    /// true when none is left.
    bool waitForDone(std::chrono::milliseconds limit);
    /// Waits for the work started so far, however long it takes.
    void waitForAll();

private:
    QThreadPool* pool_;
    std::chrono::milliseconds longestWaitAtEnd_;
};

}  // namespace quorvel
