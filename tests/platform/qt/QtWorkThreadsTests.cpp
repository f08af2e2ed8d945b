#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
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

}  // namespace
}  // namespace quorvel
