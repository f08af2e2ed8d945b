// The built helper writes what the agent sent into its log lines: whatever the payload holds,
// each run's line stays one line, so no payload can add a line that reads as the helper's.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "kit/engine/Endpoint.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/hook/FakeEventServer.hpp"
#include "tests/hook/HelperProcess.hpp"

namespace quorvel {
namespace {

using testing::TempFolder;

const std::string forgedName = "Stop\n2026-12-10T09:00:00.000Z pid 1 app answered 202 for Stop";

std::size_t lineCount(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(HelperLogLine, AnEventNameHoldingALineBreakStaysOnItsOwnLine) {
    TempFolder home;
    const QuorvelPaths paths(home.path());
    const std::map<std::string, std::string> environment = {
        {"HOME", home.path()}, {"PATH", "/usr/bin:/bin"}, {"QUORVEL_APP_EXECUTABLE", "/bin/true"}};
    const std::string payload =
        json::dump(json::Json{{"hook_event_name", forgedName}, {"session_id", "abc\x1b[2Jx"}, {"cwd", "/tmp/p"}});

    // No app at all, then an app that refuses: both lines name the event.
    testing::FakeEventServer refusing("HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    for (const bool answering : {false, true}) {
        std::filesystem::remove(paths.hookLog());
        if (answering) {
            ASSERT_TRUE((Endpoint{refusing.port(), "abcdefghijklmnopqrstuvwxyz0123456789-_ABCDE"}.write(paths.endpoint())));
        }
        const testing::HelperRun run = testing::runHelper({}, environment, payload);
        ASSERT_TRUE(run.exitedNormally);
        const std::string log = TempFolder::read(paths.hookLog());
        EXPECT_EQ(lineCount(log), 1u) << log;
        EXPECT_NE(log.find(answering ? " app answered 401 for Stop\\n2026-12-10T09:00:00.000Z pid 1 app answered 202"
                                     : " app not answering for Stop\\n2026-12-10T09:00:00.000Z pid 1 app answered 202"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("\n2026-12-10T09:00:00.000Z"), std::string::npos) << log;
    }
}

}  // namespace
}  // namespace quorvel
