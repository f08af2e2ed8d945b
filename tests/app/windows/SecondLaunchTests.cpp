// A launch while the app runs reaches the running copy: the plain launch as the reopen, a
// desktop action's argument as that command; the second process ends with status 0, even
// when it comes from another session (another runtime folder) for the same home. With
// no copy running, an action's argument starts the app, which then carries it out.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <thread>

#include "kit/engine/QuorvelPaths.hpp"
#include "platform/files/Files.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testing::TemporaryFolder;

const std::string appPath = QUORVEL_BINARY_DIR "/bin/quorvel";

bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 15s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::string text(const std::string& path) {
    auto contents = files::readFile(path);
    return contents ? *contents : std::string();
}

class SecondLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& runtimeFolder : {runtime, otherRuntime}) ::mkdir(runtimeFolder.c_str(), 0700);
        ::mkdir(firstHome.c_str(), 0700);
        ASSERT_TRUE(files::createDirectories(firstHome + "/.claude").hasValue());
    }

    bool running(testing::AppProcess& app) const {
        return eventually([&] { return std::filesystem::exists(app.paths().endpoint()); });
    }

    std::string hooksFile(const std::string& home) const { return home + "/.claude/settings.json"; }

    TemporaryFolder folder;
    std::string runtime = folder / "runtime";
    std::string otherRuntime = folder / "other-runtime";
    std::string firstHome = folder / "first";
};

TEST_F(SecondLaunchTest, EachLaunchReachesTheRunningCopyAndEndsAtOnce) {
    testing::AppProcess first(appPath, firstHome, runtime);
    ASSERT_TRUE(first.start());
    ASSERT_TRUE(running(first)) << first.logText();

    const std::vector<std::pair<std::vector<std::string>, std::string>> launches{
        {{}, "reopen"},
        {{"--settings"}, "showSettings"},
        {{"--finished"}, "showFinished"},
        {{"--hooks-on"}, "installHooks"},
        {{"--hooks-off"}, "removeHooks"},
    };
    for (const auto& [arguments, word] : launches) {
        testing::AppProcess second(appPath, firstHome, otherRuntime, testing::AppProcess::LogCopy::none);
        ASSERT_TRUE(second.start(arguments));
        EXPECT_EQ(second.waitForExit(10s), std::optional<int>(0)) << word;
        EXPECT_TRUE(eventually([&] { return first.logText().find("A later launch asked for " + word) != std::string::npos; }))
            << word << "\n" << first.logText();
        if (word == "installHooks") {
            EXPECT_TRUE(eventually([&] { return text(hooksFile(firstHome)).find("quorvel-hook") != std::string::npos; }));
        }
    }
    EXPECT_TRUE(eventually([&] { return text(hooksFile(firstHome)).find("quorvel-hook") == std::string::npos; }))
        << "turned off again by the last launch";
    // The second copies left nothing in their session's runtime folder.
    EXPECT_TRUE(std::filesystem::is_empty(otherRuntime));
    EXPECT_TRUE(first.running());
}

TEST_F(SecondLaunchTest, WithNoCopyRunningAnActionStartsTheAppAndIsCarriedOut) {
    testing::AppProcess app(appPath, firstHome, runtime);
    ASSERT_TRUE(app.start({"--hooks-on"}));
    ASSERT_TRUE(running(app)) << app.logText();
    EXPECT_TRUE(eventually([&] { return text(hooksFile(firstHome)).find("quorvel-hook") != std::string::npos; }))
        << app.logText();
    EXPECT_TRUE(app.running());
}

}  // namespace
}  // namespace quorvel
