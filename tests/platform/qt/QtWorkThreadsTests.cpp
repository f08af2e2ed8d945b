#include <gtest/gtest.h>

#include <QThread>
#include <atomic>
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

}  // namespace
}  // namespace quorvel
