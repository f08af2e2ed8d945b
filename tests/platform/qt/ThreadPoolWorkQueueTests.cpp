// A work queue whose work may never end (a keyring call on a prompt nobody answers): going
// away waits a bounded time, then leaves that work behind; what it had not started never runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/qt/ThreadPoolWorkQueue.hpp"

namespace quorvel {
namespace {

TEST(ThreadPoolWorkQueueTests, GoingAwayWithStuckWorkWaitsItsBoundThenLeavesItBehind) {
    // Serial, and with pieces side by side: every thread stuck, one more piece waiting.
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        auto release = std::make_shared<std::atomic<bool>>(false);
        auto ended = std::make_shared<std::atomic<int>>(0);
        auto queuedRan = std::make_shared<std::atomic<bool>>(false);
        const auto started = std::chrono::steady_clock::now();
        {
            ThreadPoolWorkQueue queue(threads, std::chrono::milliseconds(300));
            for (int index = 0; index < threads; ++index) {
                queue.run([release, ended] {
                    while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    ++*ended;
                });
            }
            queue.run([queuedRan] { queuedRan->store(true); });
            const auto waitStarted = std::chrono::steady_clock::now();
            EXPECT_FALSE(queue.waitUntilIdleFor(std::chrono::milliseconds(100)));
            const auto waited = std::chrono::steady_clock::now() - waitStarted;
            EXPECT_GE(waited, std::chrono::milliseconds(100));
            EXPECT_LT(waited, std::chrono::seconds(2));
        }
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_GE(took, std::chrono::milliseconds(300));
        EXPECT_LT(took, std::chrono::seconds(5)) << "the queue waited for the stuck work";

        // The work left behind still runs to its end on its threads.
        release->store(true);
        for (int tries = 0; tries < 500 && ended->load() < threads; ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(ended->load(), threads);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(queuedRan->load());
    }
}

TEST(ThreadPoolWorkQueueTests, RunsOffTheCallersThreadAndGoingAwayWaitsForWorkThatEndsInTime) {
    const std::thread::id caller = std::this_thread::get_id();
    auto ran = std::make_shared<std::atomic<int>>(0);
    auto onCaller = std::make_shared<std::atomic<int>>(0);
    {
        ThreadPoolWorkQueue queue(2, std::chrono::seconds(10));
        for (int index = 0; index < 5; ++index) {
            queue.run([ran, onCaller, caller] {
                if (std::this_thread::get_id() == caller) ++*onCaller;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ++*ran;
            });
        }
    }
    EXPECT_EQ(ran->load(), 5);
    EXPECT_EQ(onCaller->load(), 0);
}

}  // namespace
}  // namespace quorvel
