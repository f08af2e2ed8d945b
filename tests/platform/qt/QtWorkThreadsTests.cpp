#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "platform/qt/QtWorkThreads.hpp"
#include "tests/platform/qt/DesktopPeers.hpp"

namespace quorvel {
namespace {

TEST(QtWorkThreads, BackgroundWorkRunsOffTheMainThreadAndHandsBackInOrder) {
    testing::ensureApplication();
    QThread* const mainThread = QThread::currentThread();
    std::vector<int> handedBack;
    std::atomic<int> offMain{0};
    {
        QtWorkThreads threads(2);
        for (int index = 0; index < 5; ++index) {
            threads.runInBackground([&, index] {
                if (QThread::currentThread() != mainThread) ++offMain;
                // Posted from one background thread, these arrive in the order handed over.
                if (index == 0) {
                    for (int step = 0; step < 3; ++step) {
                        threads.runOnMainThread([&, step] {
                            EXPECT_EQ(QThread::currentThread(), mainThread);
                            handedBack.push_back(step);
                        });
                    }
                }
            });
        }
        // Going away waits for the background work in hand.
    }
    EXPECT_EQ(offMain.load(), 5);
    EXPECT_TRUE(handedBack.empty());
    ASSERT_TRUE(testing::waitUntil([&] { return handedBack.size() == 3; }));
    EXPECT_EQ(handedBack, (std::vector<int>{0, 1, 2}));
}

TEST(QtWorkThreads, FinishWaitsAtMostItsTimeThenRunsWhatWasHandedBackOnce) {
    testing::ensureApplication();
    std::vector<int> handedBack;
    std::atomic<bool> release{false};
    QtWorkThreads threads(2);
    threads.runInBackground([&] { threads.runOnMainThread([&] { handedBack.push_back(1); }); });
    threads.runInBackground([&] {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        threads.runOnMainThread([&] { handedBack.push_back(2); });
    });

    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(threads.finish(std::chrono::milliseconds(300)));
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LT(waited, std::chrono::seconds(2));
    EXPECT_EQ(handedBack, std::vector<int>{1});

    release = true;
    EXPECT_TRUE(threads.finish(std::chrono::seconds(10)));
    EXPECT_EQ(handedBack, (std::vector<int>{1, 2}));
    // The calls queued on the event loop find nothing left to run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(handedBack, (std::vector<int>{1, 2}));
}

TEST(QtWorkThreads, GoingAwayWaitsOnlyItsBoundAndWorkLeftBehindStillHandsBackSafely) {
    testing::ensureApplication();
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto startedSecond = std::make_shared<std::atomic<bool>>(false);
    auto handedBack = std::make_shared<std::vector<int>>();
    {
        QtWorkThreads threads(1, std::chrono::milliseconds(300));
        // A call that never returns while the threads exist (a keyring prompt nobody answers).
        threads.runInBackground([release, post = threads.mainThreadPoster(), handedBack] {
            while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            post([handedBack] { handedBack->push_back(1); });
        });
        // Not started when the threads go: never starts.
        threads.runInBackground([startedSecond] { startedSecond->store(true); });
    }
    release->store(true);
    // The stuck work ends after the threads went, and what it posts still lands safely.
    ASSERT_TRUE(testing::waitUntil([&] { return handedBack->size() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(startedSecond->load());
}

TEST(QtWorkThreads, GoingAwayWithStuckWorkTakesNoLongerThanItsBound) {
    testing::ensureApplication();
    auto release = std::make_shared<std::atomic<bool>>(false);
    const auto started = std::chrono::steady_clock::now();
    {
        QtWorkThreads threads(2, std::chrono::milliseconds(300));
        threads.runInBackground([release] {
            while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
    }
    const auto took = std::chrono::steady_clock::now() - started;
    release->store(true);
    EXPECT_GE(took, std::chrono::milliseconds(300));
    EXPECT_LT(took, std::chrono::seconds(5)) << "the threads waited for the stuck work";
}

}  // namespace
}  // namespace quorvel
