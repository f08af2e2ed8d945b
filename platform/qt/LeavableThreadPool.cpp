#include "platform/qt/LeavableThreadPool.hpp"

#include <algorithm>
#include <climits>

namespace quorvel {
namespace {

int boundedMilliseconds(std::chrono::milliseconds limit) {
    // QThreadPool counts in int milliseconds, where a negative count means no limit.
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(limit.count(), 0, INT_MAX));
}

}  // namespace

LeavableThreadPool::LeavableThreadPool(int threads, std::chrono::milliseconds longestWaitAtEnd,
                                       std::chrono::milliseconds idleExpiry)
    : pool_(new QThreadPool), longestWaitAtEnd_(longestWaitAtEnd) {
    pool_->setMaxThreadCount(std::max(1, threads));
    pool_->setExpiryTimeout(boundedMilliseconds(idleExpiry));
}

LeavableThreadPool::~LeavableThreadPool() {
    if (pool_->waitForDone(boundedMilliseconds(longestWaitAtEnd_))) {
        delete pool_;
        return;
    }
    // Freeing the pool would wait for the stuck work without end: it is left to its threads,
    // and what has not started yet never does.
    pool_->clear();
}

void LeavableThreadPool::start(std::function<void()> work) { pool_->start(std::move(work)); }

bool LeavableThreadPool::waitForDone(std::chrono::milliseconds limit) {
    return pool_->waitForDone(boundedMilliseconds(limit));
}

void LeavableThreadPool::waitForAll() { pool_->waitForDone(-1); }

}  // namespace quorvel
