#include "app/intake/RejectionLog.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/LogCapture.hpp"

namespace quorvel {
namespace {

TEST(RejectionLog, ACountIsSaidWhenItsIntervalEndsThoughTheFloodHasStopped) {
    testing::LogCapture log;
    asio::io_context io;
    RejectionLog rejections(io, Logger("com.tessaloom.quorvel.mac", "EventServer"), 0.3);
    for (int i = 0; i < 3; ++i) rejections.rejected("token", "Rejected a request with a missing or wrong token");
    rejections.rejected("undecodable", "Rejected an event that didn't decode: x");
    EXPECT_EQ(log.lines().size(), 2u);

    const auto started = std::chrono::steady_clock::now();
    io.run_for(std::chrono::seconds(10));
    // The timer is done once the count is said: the context ran out of work.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 3u) << log.text();
    EXPECT_EQ(lines[2].rfind("error com.tessaloom.quorvel.mac [EventServer] Rejected a request with a missing or "
                             "wrong token (2 times in the last ",
                             0),
              0u)
        << lines[2];

    // After a quiet interval a rejection is news again; what a stop finds counted is said then.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    rejections.rejected("undecodable", "Rejected an event that didn't decode: y");
    rejections.rejected("undecodable", "Rejected an event that didn't decode: z");
    rejections.sayAll();
    ASSERT_EQ(log.lines().size(), 5u) << log.text();
    EXPECT_TRUE(log.lines()[3].ends_with("didn't decode: y")) << log.lines()[3];
    EXPECT_TRUE(log.lines()[4].ends_with("didn't decode: z (1 time in the last 0 s)")) << log.lines()[4];
}

}  // namespace
}  // namespace quorvel
