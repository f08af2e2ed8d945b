// Results of background work handed to the Qt main thread: in order, through the event loop,
// or at once at the end; and from work left behind by a queue that is gone.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "platform/qt/QtMainThreadHandOff.hpp"
#include "platform/qt/ThreadPoolWorkQueue.hpp"
#include "tests/platform/qt/DesktopPeers.hpp"

namespace quorvel {
namespace {

TEST(QtMainThreadHandOff, WorkFromABackgroundThreadRunsInTheEventLoopInTheOrderHandedOver) {
    testing::ensureApplication();
    QThread* const mainThread = QThread::currentThread();
    std::vector<int> handedBack;
    QtMainThreadHandOff handOff;
    {
        ThreadPoolWorkQueue queue(2);
        queue.run([&] {
            for (int step = 0; step < 3; ++step) {
                handOff.runOnMainThread([&, step] {
                    EXPECT_EQ(QThread::currentThread(), mainThread);
                    handedBack.push_back(step);
                });
            }
        });
    }
    // Nothing runs before the event loop does.
    EXPECT_TRUE(handedBack.empty());
    ASSERT_TRUE(testing::waitUntil([&] { return handedBack.size() == 3; }));
    EXPECT_EQ(handedBack, (std::vector<int>{0, 1, 2}));
}

TEST(QtMainThreadHandOff, AtTheEndWhatWasHandedOverRunsHereOnce) {
    testing::ensureApplication();
    std::vector<int> handedBack;
    std::atomic<bool> release{false};
    QtMainThreadHandOff handOff;
    ThreadPoolWorkQueue queue(2);
    queue.run([&] { handOff.runOnMainThread([&] { handedBack.push_back(1); }); });
    queue.run([&] {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        handOff.runOnMainThread([&] { handedBack.push_back(2); });
    });

    // The end of a service: a bounded wait for its queue, then its results, here.
    EXPECT_FALSE(queue.waitUntilIdleFor(std::chrono::milliseconds(300)));
    handOff.runWaitingNow();
    EXPECT_EQ(handedBack, std::vector<int>{1});

    release = true;
    EXPECT_TRUE(queue.waitUntilIdleFor(std::chrono::seconds(10)));
    handOff.runWaitingNow();
    EXPECT_EQ(handedBack, (std::vector<int>{1, 2}));
    // The calls queued on the event loop find nothing left to run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(handedBack, (std::vector<int>{1, 2}));
}

TEST(QtMainThreadHandOff, WorkLeftBehindStillHandsBackSafelyAfterTheQueueAndTheHandOffAreGone) {
    testing::ensureApplication();
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto handedBack = std::make_shared<std::vector<int>>();
    {
        auto handOff = std::make_unique<QtMainThreadHandOff>();
        ThreadPoolWorkQueue queue(1, std::chrono::milliseconds(300));
        // A call that never returns while the queue exists (a keyring prompt nobody answers).
        queue.run([release, post = handOff->poster(), handedBack] {
            while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            post([handedBack] { handedBack->push_back(1); });
        });
        handOff.reset();
    }
    release->store(true);
    ASSERT_TRUE(testing::waitUntil([&] { return handedBack->size() == 1; }));
}

}  // namespace
}  // namespace quorvel
