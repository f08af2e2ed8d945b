#pragma once
// A work queue with threads of its own: one thread runs the work in the order it came (a
// serial queue), more let pieces run side by side. Destroying it waits for the work in hand
// at most `longestWaitAtEnd`, then leaves behind what still runs (`LeavableThreadPool`): the
// work owns what it touches, and hands its results back through something that outlives the
// queue (a `MainThreadHandOff::poster`, the model's lifeline). Work not started by then never
// starts.
//
// Threads: any thread may call `run`; the waits and the destructor are for the owner's thread.
#include <chrono>

#include "platform/qt/LeavableThreadPool.hpp"
#include "platform/threads/WorkQueue.hpp"

namespace quorvel {

class ThreadPoolWorkQueue final : public WorkQueue {
public:
    explicit ThreadPoolWorkQueue(int threads = 1,
                                 std::chrono::milliseconds longestWaitAtEnd = std::chrono::seconds(2));

    void run(std::function<void()> work) override;
    void waitUntilIdle() override;
    bool waitUntilIdleFor(std::chrono::milliseconds limit) override;

private:
    // Idle threads end soon: the queues are quiet most of the time.
    LeavableThreadPool pool_;
};

}  // namespace quorvel
