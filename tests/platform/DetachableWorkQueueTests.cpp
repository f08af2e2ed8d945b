// The keyring's queue: its end never waits, not even for a call stuck on a prompt nobody
// answers; what had not started is dropped, and the stuck call may still end on its thread.
#include "platform/threads/DetachableWorkQueue.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace quorvel {
namespace {

TEST(DetachableWorkQueueTests, RunsInOrderOffTheCallersThreadAndWaitsUntilIdle) {
    const std::thread::id caller = std::this_thread::get_id();
    auto order = std::make_shared<std::vector<int>>();
    auto onCaller = std::make_shared<std::atomic<bool>>(false);
    DetachableWorkQueue queue;
    for (int index = 0; index < 5; ++index) {
        queue.run([order, onCaller, caller, index] {
            if (std::this_thread::get_id() == caller) onCaller->store(true);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            order->push_back(index);
        });
    }
    queue.waitUntilIdle();
    EXPECT_EQ(*order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_FALSE(onCaller->load());
}

TEST(DetachableWorkQueueTests, GoingAwayNeverWaitsAndDropsWhatHadNotStarted) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto queuedRan = std::make_shared<std::atomic<bool>>(false);
    auto queue = std::make_unique<DetachableWorkQueue>();
    queue->run([release, ended] {
        while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ended->store(true);
    });
    queue->run([queuedRan] { queuedRan->store(true); });
    EXPECT_FALSE(queue->waitUntilIdleFor(std::chrono::milliseconds(50)));
    const auto started = std::chrono::steady_clock::now();
    queue.reset();
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, std::chrono::seconds(2)) << "the queue waited for the stuck work";

    release->store(true);
    for (int tries = 0; tries < 500 && !ended->load(); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(ended->load());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(queuedRan->load());
}

}  // namespace
}  // namespace quorvel
