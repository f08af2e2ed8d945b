// A work queue whose work may never end (a keyring call on a prompt nobody answers): going
// away waits a bounded time, then leaves that work behind; what it had not started never runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "app/model/ThreadPoolWorkQueue.hpp"

namespace quorvel {
namespace {

TEST(ThreadPoolWorkQueueTests, GoingAwayWithStuckWorkWaitsItsBoundThenLeavesItBehind) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto queuedRan = std::make_shared<std::atomic<bool>>(false);
    const auto started = std::chrono::steady_clock::now();
    {
        ThreadPoolWorkQueue queue(1, std::chrono::milliseconds(300));
        queue.run([release, ended] {
            while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ended->store(true);
        });
        queue.run([queuedRan] { queuedRan->store(true); });
        EXPECT_FALSE(queue.waitUntilIdleFor(std::chrono::milliseconds(50)));
    }
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::seconds(5)) << "the queue waited for the stuck work";

    // The work left behind still runs to its end on its thread.
    release->store(true);
    for (int tries = 0; tries < 500 && !ended->load(); ++tries) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(ended->load());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(queuedRan->load());
}

TEST(ThreadPoolWorkQueueTests, GoingAwayWaitsForWorkThatEndsInTime) {
    auto ran = std::make_shared<std::atomic<int>>(0);
    {
        ThreadPoolWorkQueue queue(1, std::chrono::seconds(10));
        for (int index = 0; index < 3; ++index) {
            queue.run([ran] {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                ++*ran;
            });
        }
    }
    EXPECT_EQ(ran->load(), 3);
}

}  // namespace
}  // namespace quorvel
