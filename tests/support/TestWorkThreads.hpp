#pragma once
// Test support: `WorkThreads` whose background work runs on real threads and whose "main
// thread" is the test's own: work handed to it waits until the test runs it with
// `runMainUntil` or `settle`. Made with a `Loop` that the test keeps, since the service under
// test owns the threads themselves.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/WorkThreads.hpp"

namespace quorvel::testing {

class TestWorkThreads final : public WorkThreads {
public:
    /// The test's side: the main-thread queue and the count of background work in hand.
    class Loop {
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

        /// Runs main-thread work until no background work is left and nothing waits for the
        /// main thread; false when that does not happen within `timeout`.
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
        friend class TestWorkThreads;
        std::mutex mutex_;
        std::condition_variable changed_;
        std::deque<std::function<void()>> main_;
        int background_ = 0;
    };

    explicit TestWorkThreads(std::shared_ptr<Loop> loop) : loop_(std::move(loop)) {}
    ~TestWorkThreads() override {
        std::vector<std::thread> threads;
        {
            std::lock_guard lock(threadsMutex_);
            threads.swap(threads_);
        }
        for (std::thread& thread : threads) thread.join();
    }

    void runInBackground(std::function<void()> work) override {
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

    void runOnMainThread(std::function<void()> work) override { post(loop_, std::move(work)); }

    std::function<void(std::function<void()>)> mainThreadPoster() override {
        return [loop = loop_](std::function<void()> work) { post(loop, std::move(work)); };
    }

    bool finish(std::chrono::milliseconds longest) override {
        bool done = false;
        {
            std::unique_lock lock(loop_->mutex_);
            done = loop_->changed_.wait_for(lock, longest, [this] { return loop_->background_ == 0; });
        }
        for (;;) {
            std::function<void()> next;
            {
                std::lock_guard lock(loop_->mutex_);
                if (loop_->main_.empty()) return done;
                next = std::move(loop_->main_.front());
                loop_->main_.pop_front();
            }
            next();
        }
    }

private:
    static void post(const std::shared_ptr<Loop>& loop, std::function<void()> work) {
        {
            std::lock_guard lock(loop->mutex_);
            loop->main_.push_back(std::move(work));
        }
        loop->changed_.notify_all();
    }

    std::shared_ptr<Loop> loop_;
    std::mutex threadsMutex_;
    std::vector<std::thread> threads_;
};

}  // namespace quorvel::testing
