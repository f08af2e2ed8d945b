// The app binary under floods: of sessions, of posted events, of long identities and of idle
// connections, and a termination signal in the middle of one.
#include "tests/app/end_to_end/AppReliabilityTestbed.hpp"

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;

TEST_F(AppReliabilityTests, AFloodOfDistinctSessionsKeepsMemoryBoundedAndIsAnswered503PastTheQueue) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();

    std::atomic<int> refused = 0;
    std::atomic<int> posted = 0;
    std::atomic<bool> stop = false;
    const auto deadline = Clock::now() + 20s;
    std::vector<std::thread> clients;
    for (int client = 0; client < 8; ++client) {
        clients.emplace_back([&, client] {
            for (int index = 0; !stop && index < 6000 && Clock::now() < deadline; ++index) {
                const std::string session = "flood-" + std::to_string(client) + "-" + std::to_string(index);
                const int status = postedStatus(*endpoint, body(failedCommand(index, anHourAgo(), session)));
                ++posted;
                if (status == 503 && ++refused >= 100) stop = true;
            }
        });
    }
    for (std::thread& client : clients) client.join();
    EXPECT_GE(refused, 1) << posted << " posted";
    const long resident = app.residentKilobytes();
    EXPECT_LT(resident, 200 * 1024) << "kB after " << posted << " events";

    // A marker sent after the flood is handled, once the queue before it is: each event of it
    // is a save of the list, which takes a while on a busy machine.
    HookEvent marker = failedCommand(999999, static_cast<double>(std::time(nullptr)), "marker");
    ASSERT_TRUE(waitFor([&] { return postedStatus(*endpoint, body(marker)) == 202; }, 30s));
    EXPECT_TRUE(waitFor(
        [&] {
            const std::vector<int> numbers = app.finishedCommands();
            return !numbers.empty() && numbers.front() == 999999;
        },
        240s))
        << app.logText();
    EXPECT_GE(app.logLinesWith("Too many sessions: dropped the least recently active one"), 1u);
    EXPECT_EQ(app.terminateWithin(3s), std::optional<int>(0));
}

TEST_F(AppReliabilityTests, ATerminationSignalUnderASustainedFloodClosesTheListenerAtOnce) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();

    std::atomic<bool> stop = false;
    std::atomic<long long> lastAcceptedNanoseconds = 0;
    std::vector<std::thread> clients;
    for (int client = 0; client < 4; ++client) {
        clients.emplace_back([&, client] {
            for (int index = 0; !stop && index < 50000; ++index) {
                const std::string session = "busy-" + std::to_string(client);
                if (postedStatus(*endpoint, body(failedCommand(index, anHourAgo(), session)), 1.0) == 202) {
                    lastAcceptedNanoseconds = Clock::now().time_since_epoch().count();
                }
            }
        });
    }
    std::this_thread::sleep_for(1500ms);
    const auto signalled = Clock::now();
    const std::optional<int> status = app.terminateWithin(3s);
    stop = true;
    for (std::thread& client : clients) client.join();
    EXPECT_EQ(status, std::optional<int>(0)) << app.logText();
    const Clock::time_point lastAccepted{Clock::duration(lastAcceptedNanoseconds.load())};
    EXPECT_LT(lastAccepted - signalled, 500ms);
}

TEST_F(AppReliabilityTests, ATerminationSignalAfterTenThousandPostedEventsExitsQuicklyAndLosesNone) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();

    // One client, so events arrive in the order of their numbers. Each is a finished run
    // saved as it is handled: the app falls far behind.
    const double start = anHourAgo();
    std::vector<int> accepted;
    for (int index = 0; index < 10000; ++index) {
        if (postedStatus(*endpoint, body(failedCommand(index, start))) == 202) accepted.push_back(index);
    }
    ASSERT_GE(accepted.size(), finishedCap);
    EXPECT_EQ(app.terminateWithin(3s), std::optional<int>(0)) << app.logText();

    ASSERT_TRUE(app.start());
    // Every one of them is a save of the list: on a busy machine that takes a while.
    ASSERT_TRUE(waitFor([&] { return entriesIn(app.spool()) == 0 && app.finishedCommands().size() == finishedCap; },
                        240s))
        << app.logText();
    EXPECT_EQ(app.finishedCommands(), newestFirst(accepted, finishedCap));
}

TEST_F(AppReliabilityTests, ATerminationSignalDuringALongDrainExitsQuicklyAndTheRestFollowsOnce) {
    std::vector<HookEvent> events;
    const double start = anHourAgo();
    for (int index = 0; index < 5000; ++index) events.push_back(failedCommand(index, start));
    writeSpooled(app.spool(), events);

    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return !app.finishedCommands().empty(); })) << app.logText();
    EXPECT_EQ(app.terminateWithin(3s), std::optional<int>(0)) << app.logText();
    EXPECT_GT(entriesIn(app.spool()), 0u) << "the drain ended before the signal";

    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return entriesIn(app.spool()) == 0; }, 240s)) << app.logText();
    std::vector<int> all;
    for (int index = 0; index < 5000; ++index) all.push_back(index);
    ASSERT_TRUE(waitFor([&] { return app.finishedCommands() == newestFirst(all, finishedCap); })) << app.logText();
}

TEST_F(AppReliabilityTests, FiveThousandEventsWithIdentitiesOfSixtyKilobytesLeaveMemoryFlat) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    const auto postAll = [&](int first, int last) {
        for (int index = first; index < last; ++index) {
            HookEvent event = HookEvent::make("PostToolUse", "ids", anHourAgo() + index * 0.001);
            event.toolName = "Read";
            event.eventID = std::to_string(index) + std::string(60 * 1024, 'i');
            const std::string text = body(event);
            // A full queue answers 503: wait for the app to catch up rather than lose events.
            ASSERT_TRUE(waitFor([&] { return postedStatus(*endpoint, text) == 202; }, 30s)) << index;
        }
        HookEvent marker = failedCommand(last, static_cast<double>(std::time(nullptr)), "marker");
        ASSERT_EQ(postedStatus(*endpoint, body(marker)), 202);
        ASSERT_TRUE(waitFor(
            [&] {
                const std::vector<int> numbers = app.finishedCommands();
                return !numbers.empty() && numbers.front() == last;
            },
            120s))
            << app.logText();
    };
    postAll(0, 200);
    const long before = app.residentKilobytes();
    postAll(200, 5000);
    const long after = app.residentKilobytes();
    std::printf("resident after 200 events: %ld kB, after 5,000: %ld kB\n", before, after);
    EXPECT_LT(after - before, 64 * 1024) << before << " kB before, " << after << " kB after";
}

TEST_F(AppReliabilityTests, ADirectRequestIsServedBesideThreeThousandIdleConnections) {
    constexpr rlim_t idle = 3000;
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::max<rlim_t>(limit.rlim_cur, std::min<rlim_t>(limit.rlim_max, idle + 256));
    ::setrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < idle + 256) GTEST_SKIP() << "needs " << idle + 256 << " descriptors";

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    std::vector<std::unique_ptr<testing::LoopbackClient>> clients;
    for (rlim_t index = 0; index < idle; ++index) {
        clients.push_back(std::make_unique<testing::LoopbackClient>(endpoint->port));
    }
    const auto posted = Clock::now();
    EXPECT_EQ(postedStatus(*endpoint, body(failedCommand(7, anHourAgo())), 1.5), 202);
    EXPECT_LT(Clock::now() - posted, 1500ms);
}

}  // namespace
}  // namespace quorvel
