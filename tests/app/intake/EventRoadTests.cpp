// The whole road of a hook event: the built helper posts to the real server, or spools for
// the drain when the server is gone.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "app/intake/EventServer.hpp"
#include "app/intake/SpoolDrain.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

/// Runs the helper with `input` on standard input; returns its exit status and what it printed.
std::pair<int, std::string> runHelper(const std::string& home, const std::vector<std::string>& arguments,
                                      const std::string& input) {
    const std::string inputPath = home + "/stdin", outputPath = home + "/stdout";
    std::ofstream(inputPath) << input;
    const testing::ProgramEnd end = testing::ProgramLaunch(QUORVEL_BINARY_DIR "/bin/quorvel-hook")
                                        .arguments(arguments)
                                        .onlyEnvironment({{"HOME", home},
                                                          {"QUORVEL_APP_EXECUTABLE", "/bin/true"},
                                                          {"PATH", "/usr/bin:/bin"}})
                                        .inputFromFile(inputPath)
                                        .outputAndErrorToFile(outputPath)
                                        .run();
    std::ifstream output(outputPath);
    return {end.exitedNormally ? end.exitStatus : -1, std::string(std::istreambuf_iterator<char>(output), {})};
}

TEST(EventRoad, HelperEventsReachTheServerOrTheDrain) {
    testing::TemporaryFolder home;
    QuorvelPaths paths(home.path());
    auto token = Endpoint::makeToken();
    ASSERT_TRUE(token);

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<HookEvent> events;
    auto server = EventServer::start(std::nullopt, token.value(), [&](HookEvent event) {
        std::lock_guard lock(mutex);
        events.push_back(std::move(event));
        arrived.notify_all();
    });
    ASSERT_TRUE(server);
    const Endpoint endpoint{server.value()->port(), token.value()};
    ASSERT_TRUE(endpoint.write(paths.endpoint()));

    EXPECT_EQ(runHelper(home.path(), {}, R"({"hook_event_name":"Stop","session_id":"s1","cwd":"/w/app"})"),
              std::make_pair(0, std::string()));
    EXPECT_EQ(runHelper(home.path(), {"--simulate", "broke"}, ""), std::make_pair(0, std::string()));
    {
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds(2), [&] { return events.size() >= 4; });
        ASSERT_EQ(events.size(), 4u);
        EXPECT_EQ(events[0].event.text(), "Stop");
        EXPECT_EQ(events[0].cwd, "/w/app");
        EXPECT_EQ(events[1].event.text(), "UserPromptSubmit");
        EXPECT_EQ(events[2].event.text(), "PostToolUseFailure");
        EXPECT_EQ(events[2].durationMs, 4187);
        EXPECT_EQ(events[3].event.text(), "Stop");  // the broke run ends
    }
    EXPECT_TRUE(drainSpool(paths.spool()).empty());

    // The app goes away: the helper spools, and the drain hands the events back in order.
    server.value().reset();
    runHelper(home.path(), {}, R"({"hook_event_name":"UserPromptSubmit","session_id":"s2","prompt":"go"})");
    runHelper(home.path(), {}, R"({"hook_event_name":"Stop","session_id":"s2"})");
    auto drained = drainSpool(paths.spool());
    ASSERT_EQ(drained.size(), 2u);
    EXPECT_EQ(drained[0].event.text(), "UserPromptSubmit");
    EXPECT_EQ(drained[0].promptFirstLine, "go");
    EXPECT_EQ(drained[1].event.text(), "Stop");
    EXPECT_TRUE(drainSpool(paths.spool()).empty());
}

}  // namespace
}  // namespace quorvel
