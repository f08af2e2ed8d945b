#include "platform/qt/TerminationSignals.hpp"

#include <signal.h>

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/qt/DesktopPeers.hpp"

namespace quorvel {
namespace {

TEST(TerminationSignals, EachEndingSignalArrivesOnTheMainLoopInsteadOfEndingTheProcess) {
    testing::ensureApplication();
    std::vector<int> received;
    {
        TerminationSignals signals_;
        ASSERT_TRUE(signals_.installed());
        QObject::connect(&signals_, &TerminationSignals::terminationRequested,
                         [&received](int number) { received.push_back(number); });
        // Only one instance owns the handlers.
        EXPECT_FALSE(TerminationSignals().installed());

        for (int number : {SIGTERM, SIGINT, SIGHUP}) ASSERT_EQ(::raise(number), 0);
        EXPECT_TRUE(testing::waitUntil([&] { return received.size() == 3; }, 2000));
        EXPECT_EQ(received, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
    }
    // Gone, it gives the signals their default back.
    struct sigaction current {};
    ::sigaction(SIGTERM, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace quorvel
