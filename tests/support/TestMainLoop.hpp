#pragma once
// Test support: the pieces a service hands its background work and its results to, with the
// test's own thread as the "main thread". `TestWorkQueue` runs each piece of work on a real
// thread of its own; `TestMainThreadHandOff` keeps what is handed to the main thread until the
// test runs it with `TestMainLoop::runMainUntil` or `settle`. Both are made with a
// `TestMainLoop` that the test keeps, since the service under test owns the pieces themselves.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/threads/MainThreadHandOff.hpp"
#include "platform/threads/WorkQueue.hpp"

namespace quorvel::testing {

/// The test's side: the main-thread queue and the count of background work in hand.
class TestMainLoop {
public:
    /// Runs main-thread work until `done` holds; false when it does not within `timeout`.
    bool runMainUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(20000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            std::function<void()> next;
            {
                std::unique_lock lock(mutex_);
                if (!changed_.wait_until(lock, deadline, [this] { return !main_.empty(); })) return false;
                next = std::move(main_.front());
                main_.pop_front();
            }
            next();
        }
        return true;
    }

    /// Runs main-thread work until no background work is left and nothing waits for the main
    /// thread; false when that does not happen within `timeout`.
    bool settle(std::chrono::milliseconds timeout = std::chrono::milliseconds(20000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            std::function<void()> next;
            {
                std::unique_lock lock(mutex_);
                if (!changed_.wait_until(lock, deadline, [this] { return !main_.empty() || background_ == 0; })) {
                    return false;
                }
                if (main_.empty()) return true;
                next = std::move(main_.front());
                main_.pop_front();
            }
            next();
        }
    }

private:
    friend class TestWorkQueue;
    friend class TestMainThreadHandOff;

    void post(std::function<void()> work) {
        {
            std::lock_guard lock(mutex_);
            main_.push_back(std::move(work));
        }
        changed_.notify_all();
    }

    void runWaitingNow() {
        for (;;) {
            std::function<void()> next;
            {
                std::lock_guard lock(mutex_);
                if (main_.empty()) return;
                next = std::move(main_.front());
                main_.pop_front();
            }
            next();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> main_;
    int background_ = 0;
};

/// Waits for the loop's background work in hand, as a whole; going away waits for all of it.
class TestWorkQueue final : public WorkQueue {
public:
    explicit TestWorkQueue(std::shared_ptr<TestMainLoop> loop) : loop_(std::move(loop)) {}
    ~TestWorkQueue() override {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(threadsMutex_);
            threads.swap(threads_);
        }
        for (std::thread& thread : threads) thread.join();
    }

    void run(std::function<void()> work) override {
        {
            std::lock_guard lock(loop_->mutex_);
            ++loop_->background_;
        }
        std::lock_guard lock(threadsMutex_);
        threads_.emplace_back([loop = loop_, work = std::move(work)] {
            work();
            {
                std::lock_guard lock(loop->mutex_);
                --loop->background_;
            }
            loop->changed_.notify_all();
        });
    }

    void waitUntilIdle() override {
        std::unique_lock lock(loop_->mutex_);
        loop_->changed_.wait(lock, [this] { return loop_->background_ == 0; });
    }

    bool waitUntilIdleFor(std::chrono::milliseconds limit) override {
        std::unique_lock lock(loop_->mutex_);
        return loop_->changed_.wait_for(lock, limit, [this] { return loop_->background_ == 0; });
    }

private:
    std::shared_ptr<TestMainLoop> loop_;
    std::mutex threadsMutex_;
    std::vector<std::thread> threads_;
};

class TestMainThreadHandOff final : public MainThreadHandOff {
public:
    explicit TestMainThreadHandOff(std::shared_ptr<TestMainLoop> loop) : loop_(std::move(loop)) {}

    void runOnMainThread(std::function<void()> work) override { loop_->post(std::move(work)); }
    std::function<void(std::function<void()>)> poster() override {
        return [loop = loop_](std::function<void()> work) { loop->post(std::move(work)); };
    }
    void runWaitingNow() override { loop_->runWaitingNow(); }

private:
    std::shared_ptr<TestMainLoop> loop_;
};

}  // namespace quorvel::testing
