#pragma once
// A serial work queue on one thread of its own that the process can leave behind. A call that
// may never return (a keyring prompt nobody answers, a keyring service that took the request
// and went quiet) must not hold up the end of the process: destroying the queue never waits.
// Work not yet started then is dropped; work under way runs to its end on the thread, which
// then ends, or is cut off when the process exits. Any thread may call `run`; the waits are
// for the thread that owns the queue.
#include <memory>

#include "platform/threads/WorkQueue.hpp"

namespace quorvel {

class DetachableWorkQueue final : public WorkQueue {
public:
    DetachableWorkQueue();
    ~DetachableWorkQueue() override;
    DetachableWorkQueue(const DetachableWorkQueue&) = delete;
    DetachableWorkQueue& operator=(const DetachableWorkQueue&) = delete;

    void run(std::function<void()> work) override;
    void waitUntilIdle() override;
    bool waitUntilIdleFor(std::chrono::milliseconds limit) override;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

}  // namespace quorvel
