#pragma once
// A work queue with threads of its own: one thread runs the work in the order it came (a
// serial queue), more let pieces run side by side. Destroying it waits for the work in hand.
#include <QThreadPool>

#include "app/model/WorkQueue.hpp"

namespace quorvel {

class ThreadPoolWorkQueue final : public WorkQueue {
public:
    explicit ThreadPoolWorkQueue(int threads = 1);
    ~ThreadPoolWorkQueue() override;

    void run(std::function<void()> work) override;
    void waitUntilIdle() override;
    bool waitUntilIdleFor(std::chrono::milliseconds limit) override;

private:
    QThreadPool pool_;
};

}  // namespace quorvel
