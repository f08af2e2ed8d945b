#include "platform/threads/DetachableWorkQueue.hpp"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace quorvel {

// Owned jointly by the queue and its thread, so the thread can outlive the queue.
struct DetachableWorkQueue::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> waiting;
    bool busy = false;
    bool closed = false;

    bool idle() const { return waiting.empty() && !busy; }

    void serve() {
        std::unique_lock lock(mutex);
        while (true) {
            changed.wait(lock, [this] { return closed || !waiting.empty(); });
            if (closed) return;
            std::function<void()> work = std::move(waiting.front());
            waiting.pop_front();
            busy = true;
            lock.unlock();
            work();
            // What the work held goes before the queue counts as idle again.
            work = nullptr;
            lock.lock();
            busy = false;
            changed.notify_all();
        }
    }
};

DetachableWorkQueue::DetachableWorkQueue() : shared_(std::make_shared<Shared>()) {
    std::thread([shared = shared_] { shared->serve(); }).detach();
}

DetachableWorkQueue::~DetachableWorkQueue() {
    std::lock_guard lock(shared_->mutex);
    shared_->closed = true;
    shared_->waiting.clear();
    shared_->changed.notify_all();
}

void DetachableWorkQueue::run(std::function<void()> work) {
    std::lock_guard lock(shared_->mutex);
    shared_->waiting.push_back(std::move(work));
    shared_->changed.notify_all();
}

void DetachableWorkQueue::waitUntilIdle() {
    std::unique_lock lock(shared_->mutex);
    shared_->changed.wait(lock, [this] { return shared_->idle(); });
}

bool DetachableWorkQueue::waitUntilIdleFor(std::chrono::milliseconds limit) {
    std::unique_lock lock(shared_->mutex);
    return shared_->changed.wait_for(lock, limit, [this] { return shared_->idle(); });
}

}  // namespace quorvel
