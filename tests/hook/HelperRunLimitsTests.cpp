// The built helper as the agent, or a person, runs it: what it answers by hand without
// reading its input, what its capture keeps of a payload the event's reader mends, and that
// it ends on time even when its log can't be written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <fstream>

#include "generated/AppVersion.hpp"
#include "hook/HelperCommandLine.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/hook/HelperProcess.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testing::runHelper;
using testing::TempFolder;

const std::string stopPayload = R"({"hook_event_name":"Stop","session_id":"abc","cwd":"/tmp/p"})";

class HelperRunLimitsTest : public ::testing::Test {
protected:
    testing::HelperRun run(const std::vector<std::string>& arguments, const std::optional<std::string>& input) {
        auto result = runHelper(arguments, environment, input);
        testing::expectQuietRun(result);
        return result;
    }

    std::string log() { return TempFolder::read(paths.hookLog()); }

    TempFolder home;
    QuorvelPaths paths{home.path()};
    // No app runs: every event is spooled, and the app it would start is a program that ends.
    std::map<std::string, std::string> environment{
        {"HOME", home.path()}, {"PATH", "/usr/bin:/bin"}, {"QUORVEL_APP_EXECUTABLE", "/bin/true"}};
};

TEST_F(HelperRunLimitsTest, AnswersHelpAndVersionWithoutReadingInputOrLogging) {
    struct Case {
        std::vector<std::string> arguments;
        std::string output;
    };
    const std::vector<Case> cases = {
        {{"--help"}, helperUsage()},
        {{"--capture", "--help", "--version"}, helperUsage()},
        {{"--version"}, std::string("quorvel-hook ") + Quorvel::appVersion + "\n"},
    };
    for (const auto& c : cases) {
        // Standard input stays open: a helper that read it would wait out its input deadline.
        const auto result = runHelper(c.arguments, environment, std::nullopt);
        EXPECT_TRUE(result.exitedNormally);
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(result.output, c.output);
        EXPECT_LT(result.seconds, 0.9);
    }
    EXPECT_TRUE(helperUsage().starts_with("Usage: quorvel-hook "));
    EXPECT_EQ(log(), "");
    EXPECT_TRUE(TempFolder::names(paths.captures()).empty());

    // The state of --simulate is no option.
    run({"--simulate", "--help"}, std::nullopt);
    EXPECT_NE(log().find(" unknown --simulate state '--help'\n"), std::string::npos) << log();
}

TEST_F(HelperRunLimitsTest, CapturesThePayloadAsWrittenWhileItsEventKeepsTheRepair) {
    const std::string payload =
        R"({"hook_event_name":"Stop","session_id":"cut","last_assistant_message":"Done \ud83d","usage":1e400})";
    run({"--capture"}, payload);
    const auto captures = TempFolder::names(paths.captures());
    ASSERT_EQ(captures.size(), 1u);
    const auto record = json::parse(TempFolder::read(paths.captures() + "/" + captures[0]));
    EXPECT_EQ(record["payload_text"], payload);
    EXPECT_FALSE(record.contains("payload"));
    const auto spooled = TempFolder::names(paths.spool());
    ASSERT_EQ(spooled.size(), 1u) << log();
    const HookEvent event = HookEvent::decode(json::parse(TempFolder::read(paths.spool() + "/" + spooled[0])));
    EXPECT_EQ(event.lastAssistantMessage, "Done \xEF\xBF\xBD");
}

TEST_F(HelperRunLimitsTest, EndsOnTimeEvenWhenItsLogCantBeWritten) {
    // A log past its size whose lock another writer holds (a helper stopped while rotating it):
    // every line waits on that lock, the helper's own and its watchdog's.
    ASSERT_TRUE(files::createDirectories(files::parentPath(paths.hookLog()), 0700));
    std::ofstream(paths.hookLog()) << std::string(1'048'577, 'x');
    const int held = ::open(paths.hookLog().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    std::atomic<bool> ended = false;
    std::thread releaser([&] {
        for (int i = 0; i < 300 && !ended; ++i) std::this_thread::sleep_for(10ms);
        ::close(held);
    });

    const auto result = run({}, stopPayload);
    ended = true;
    releaser.join();
    EXPECT_GE(result.seconds, 1.4);
    EXPECT_LT(result.seconds, 1.65);
}

}  // namespace
}  // namespace quorvel
