#include "app/model/ThreadPoolWorkQueue.hpp"

#include <algorithm>
#include <climits>
#include <utility>

namespace quorvel {

ThreadPoolWorkQueue::ThreadPoolWorkQueue(int threads) {
    pool_.setMaxThreadCount(std::max(1, threads));
    // Idle threads end soon: the queues are quiet most of the time.
    pool_.setExpiryTimeout(30000);
}

ThreadPoolWorkQueue::~ThreadPoolWorkQueue() { pool_.waitForDone(); }

void ThreadPoolWorkQueue::run(std::function<void()> work) { pool_.start(std::move(work)); }

void ThreadPoolWorkQueue::waitUntilIdle() { pool_.waitForDone(); }

bool ThreadPoolWorkQueue::waitUntilIdleFor(std::chrono::milliseconds limit) {
    // QThreadPool counts in int milliseconds, where a negative count means no limit.
    const auto bounded = std::clamp<std::chrono::milliseconds::rep>(limit.count(), 0, INT_MAX);
    return pool_.waitForDone(static_cast<int>(bounded));
}

}  // namespace quorvel
