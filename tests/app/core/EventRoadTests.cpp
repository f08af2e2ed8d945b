// The whole road of a hook event: the built helper posts to the real server, or spools for
// the drain when the server is gone.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "app/intake/EventServer.hpp"
#include "app/intake/SpoolDrain.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

/// Runs the helper with `input` on standard input; returns its exit status and what it printed.
std::pair<int, std::string> runHelper(const std::string& home, const std::vector<std::string>& arguments,
                                      const std::string& input) {
    const std::string inputPath = home + "/stdin", outputPath = home + "/stdout";
    std::ofstream(inputPath) << input;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inputPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::string program = QUORVEL_BINARY_DIR "/bin/quorvel-hook";
    std::vector<std::string> strings{program};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    std::string homeVariable = "HOME=" + home, app = "QUORVEL_APP_EXECUTABLE=/bin/true", path = "PATH=/usr/bin:/bin";
    char* envp[] = {homeVariable.data(), app.data(), path.data(), nullptr};
    pid_t pid = -1;
    int status = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp) == 0) ::waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    std::ifstream output(outputPath);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(std::istreambuf_iterator<char>(output), {})};
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
