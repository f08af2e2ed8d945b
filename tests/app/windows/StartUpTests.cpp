// The built app as a process: a second copy ends at once without touching anything, and
// without a display the app says so once and keeps running.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <filesystem>
#include <map>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/files/Files.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;
using testing::TemporaryFolder;

const std::string appPath = QUORVEL_BINARY_DIR "/bin/quorvel";

std::string readAll(const std::string& path) {
    auto contents = files::readFile(path);
    return contents ? *contents : std::string();
}

// One run of the app with exactly the environment given; standard error goes to a file.
class AppProcess {
public:
    AppProcess(const std::map<std::string, std::string>& environment, const std::string& errorPath,
               std::vector<std::string> arguments = {})
        : errorPath_(errorPath) {
        std::vector<std::string> entries;
        for (const auto& [name, value] : environment) entries.push_back(name + "=" + value);
        arguments.insert(arguments.begin(), appPath);
        pid_ = ::fork();
        if (pid_ == 0) {
            const int error = ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int nothing = ::open("/dev/null", O_RDWR);
            ::dup2(nothing, 0);
            ::dup2(nothing, 1);
            ::dup2(error, 2);
            std::vector<char*> argv;
            for (std::string& argument : arguments) argv.push_back(argument.data());
            argv.push_back(nullptr);
            std::vector<char*> envp;
            for (std::string& entry : entries) envp.push_back(entry.data());
            envp.push_back(nullptr);
            ::execve(appPath.c_str(), argv.data(), envp.data());
            ::_exit(127);
        }
    }
    ~AppProcess() {
        if (!exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    /// The exit status once it ended within `timeout`; -1 for a signal, absent while it runs.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!exited_) {
            int status = 0;
            const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
            if (ended == pid_) {
                exited_ = true;
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
            std::this_thread::sleep_for(20ms);
        }
        return status_;
    }

    void terminate() { ::kill(pid_, SIGTERM); }

    std::string standardError() const { return readAll(errorPath_); }

private:
    std::string errorPath_;
    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

// A user of our own: home, configuration and runtime folders in a temporary folder, no
// display and no session bus (so nothing of the real desktop is reached).
std::map<std::string, std::string> isolatedEnvironment(const std::string& home, const std::string& runtime) {
    return {
        {"PATH", "/usr/bin:/bin"},
        {"HOME", home},
        {"XDG_CONFIG_HOME", home + "/.config"},
        {"XDG_DATA_HOME", home + "/.local/share"},
        {"XDG_CACHE_HOME", home + "/.cache"},
        {"XDG_RUNTIME_DIR", runtime},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + runtime + "/no-bus"},
        {"QUORVEL_LOG_STDERR", "0"},
    };
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

bool isEmptyFolder(const std::string& path) { return std::filesystem::is_empty(path); }

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::mkdir(runtime.c_str(), 0700);
        ::mkdir(home.c_str(), 0700);
    }

    std::string endpoint() const { return home + "/Library/Application Support/Quorvel/endpoint.json"; }

    TemporaryFolder folder;
    std::string runtime = folder / "runtime";
    std::string home = folder / "home";
};

TEST_F(StartUpTest, WithoutADisplayTheAppSaysSoOnceAndKeepsRunning) {
    AppProcess app(isolatedEnvironment(home, runtime), folder / "stderr.txt");
    // Running means listening: the endpoint file is written once the event server is up.
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(endpoint()); }, 15s)) << app.standardError();
    EXPECT_FALSE(app.waitForExit(2s)) << app.standardError();
    const std::string errors = app.standardError();
    EXPECT_EQ(occurrences(errors, "Quorvel: no display found; running without windows.\n"), 1u) << errors;
    EXPECT_EQ(occurrences(errors, "no display"), 1u) << errors;

    app.terminate();
    EXPECT_TRUE(app.waitForExit(10s));
}

TEST_F(StartUpTest, ASecondCopyEndsAtOnceWithoutTouchingAnything) {
    AppProcess first(isolatedEnvironment(home, runtime), folder / "first.txt");
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(endpoint()); }, 15s)) << first.standardError();
    const std::string endpointBefore = readAll(endpoint());

    // The same home (which holds the lock) from another session: its runtime folder must stay
    // empty.
    const std::string otherRuntime = folder / "other-runtime";
    ::mkdir(otherRuntime.c_str(), 0700);
    AppProcess second(isolatedEnvironment(home, otherRuntime), folder / "second.txt");
    EXPECT_EQ(second.waitForExit(10s), std::optional<int>(0));
    EXPECT_EQ(second.standardError(), "");
    EXPECT_TRUE(isEmptyFolder(otherRuntime));

    // The first copy is undisturbed.
    EXPECT_FALSE(first.waitForExit(500ms));
    EXPECT_EQ(readAll(endpoint()), endpointBefore);
}

TEST_F(StartUpTest, RenderModeRunsBesideARunningCopyAndStartsNothingElse) {
    AppProcess first(isolatedEnvironment(home, runtime), folder / "first.txt");
    ASSERT_TRUE(waitFor([&] { return std::filesystem::exists(endpoint()); }, 15s)) << first.standardError();

    // A home of its own that must stay empty: no model, no endpoint file, no helper install.
    const std::string renderHome = folder / "render-home";
    ::mkdir(renderHome.c_str(), 0700);
    AppProcess render(isolatedEnvironment(renderHome, runtime), folder / "render.txt",
                      {"--render", "device-done", folder / "device.png"});
    EXPECT_EQ(render.waitForExit(10s), std::optional<int>(0));
    EXPECT_EQ(render.standardError(), "");
    EXPECT_TRUE(std::filesystem::exists(folder / "device.png"));
    EXPECT_TRUE(isEmptyFolder(renderHome));

    // Nor does the running copy's lock stop it in the same home.
    AppProcess renderBeside(isolatedEnvironment(home, runtime), folder / "render-beside.txt",
                            {"--render", "device-done", folder / "beside.png"});
    EXPECT_EQ(renderBeside.waitForExit(10s), std::optional<int>(0));
    EXPECT_TRUE(std::filesystem::exists(folder / "beside.png"));

    // "--render" without both a target and a path is no render: the app starts as usual, and
    // so, beside the running copy, ends at once as a second copy.
    AppProcess second(isolatedEnvironment(home, runtime), folder / "second.txt", {"--render", "device-done"});
    EXPECT_EQ(second.waitForExit(10s), std::optional<int>(0));
    EXPECT_EQ(second.standardError(), "");

    EXPECT_FALSE(first.waitForExit(500ms));
}

}  // namespace
}  // namespace quorvel
