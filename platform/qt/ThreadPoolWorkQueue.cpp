#include "platform/qt/ThreadPoolWorkQueue.hpp"

#include <utility>

namespace quorvel {

ThreadPoolWorkQueue::ThreadPoolWorkQueue(int threads, std::chrono::milliseconds longestWaitAtEnd)
    : pool_(threads, longestWaitAtEnd) {}

void ThreadPoolWorkQueue::run(std::function<void()> work) { pool_.start(std::move(work)); }

void ThreadPoolWorkQueue::waitUntilIdle() { pool_.waitForAll(); }

bool ThreadPoolWorkQueue::waitUntilIdleFor(std::chrono::milliseconds limit) { return pool_.waitForDone(limit); }

}  // namespace quorvel
