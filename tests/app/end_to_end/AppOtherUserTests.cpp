// Another local user can compute the names by which copies of the app find each other (and
// see them bound in /proc/net/unix), and bind them first: the built app and the built helper
// as processes, in a throw-away home on a private session bus (see the CTest entry), against a
// process of "nobody" that binds, listens on, fills and answers both names. A peer of this
// user that connects to the launch socket and says nothing is met here too. Playing another
// user needs root; those cases skip themselves otherwise.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/core/InstanceChannel.hpp"
#include "app/core/SingleInstance.hpp"
#include "kit/engine/Endpoint.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/ChildEnvironment.hpp"
#include "tests/support/OtherUserSocket.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Behaviour = testing::OtherUserSocket::Behaviour;

using testing::waitFor;

std::string readAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

/// The agent's payload for a failed shell command numbered `number`: a finished run titled by
/// its number once the app handles it.
std::string failedCommandPayload(int number) {
    return json::dump(json::Json{{"session_id", "s1"},
                                 {"hook_event_name", "PostToolUseFailure"},
                                 {"tool_name", "Bash"},
                                 {"tool_input", {{"command", std::to_string(number)}}},
                                 {"error", "Exit code 2\nfailed"},
                                 {"cwd", "/work/site"}});
}

std::size_t entriesIn(const std::string& folder) {
    std::error_code error;
    std::size_t count = 0;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) ++count;
    return count;
}

std::string behaviourName(Behaviour behaviour) {
    switch (behaviour) {
    case Behaviour::silent:
        return "bound, not listening";
    case Behaviour::fullQueue:
        return "listening, queue full";
    case Behaviour::answering:
        return "listening, answering";
    }
    return "?";
}

/// Samples the number of copies every few milliseconds while it lives; `most` is the highest.
class CopyCounter {
public:
    explicit CopyCounter(std::function<std::size_t()> count)
        : count_(std::move(count)), thread_([this] {
              while (!stop_) {
                  most_ = std::max(most_.load(), count_());
                  std::this_thread::sleep_for(5ms);
              }
          }) {}
    ~CopyCounter() { finish(); }
    std::size_t finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return most_;
    }

private:
    std::function<std::size_t()> count_;
    std::atomic<bool> stop_ = false;
    std::atomic<std::size_t> most_ = 0;
    std::thread thread_;
};

class OtherUserTest : public ::testing::Test {
protected:
    testing::TemporaryFolder home;
    testing::RuntimeFolder runtime;
    testing::AppProcess app{QUORVEL_APP, home.path(), runtime.path()};
    const std::string appProgram = fs::canonical(QUORVEL_APP).string();

    QuorvelPaths paths() const { return QuorvelPaths(home.path()); }
    /// Where the copies the helper and the launches start write their log lines.
    std::string startedLog() const { return home / "started-copies.log"; }

    /// The environment the agent's hooks would give the helper, and the helper the copies it
    /// starts.
    std::map<std::string, std::optional<std::string>> helperEnvironment() const {
        return {
            {"HOME", home.path()},
            {"XDG_CONFIG_HOME", home / ".config"},
            {"XDG_DATA_HOME", home / ".local/share"},
            {"XDG_CACHE_HOME", home / ".cache"},
            {"XDG_STATE_HOME", home / ".local/state"},
            {"XDG_RUNTIME_DIR", runtime.path()},
            {"QUORVEL_APP_EXECUTABLE", QUORVEL_APP},
            {"QUORVEL_LOG_STDERR", "0"},
            {"QUORVEL_LOG_FILE", startedLog()},
        };
    }

    /// Runs `program` with `arguments`, standard input from `input` (when given), in the
    /// helper's environment, and waits for it: its exit status, -1 when it didn't end by itself.
    int run(const std::string& program, const std::vector<std::string>& arguments, const std::string& input = {}) {
        testing::ChildEnvironment environment(helperEnvironment());
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (!input.empty()) posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
        std::vector<std::string> words{program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environment.envp());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    /// The helper run once with `payload` on its standard input, as a hook event runs it.
    int runHelper(const std::string& payload) {
        static std::atomic<int> counter = 0;
        const std::string input = home / ("payload-" + std::to_string(++counter) + ".json");
        if (!files::writeFileAtomically(input, payload)) return -1;
        return run(QUORVEL_HOOK, {}, input);
    }

    /// The processes running the built app for this test's home.
    std::vector<pid_t> copies() const {
        std::vector<pid_t> found;
        const std::string homeEntry = "HOME=" + home.path();
        std::error_code error;
        for (fs::directory_iterator entry("/proc", error), end; !error && entry != end; entry.increment(error)) {
            const std::string name = entry->path().filename();
            if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
            std::error_code linkError;
            if (fs::read_symlink(entry->path() / "exe", linkError).string() != appProgram) continue;
            const std::string environment = readAll(entry->path() / "environ");
            bool ours = false;
            for (std::size_t at = 0; at < environment.size();) {
                const std::size_t next = environment.find('\0', at);
                const std::size_t end = next == std::string::npos ? environment.size() : next;
                if (environment.compare(at, end - at, homeEntry) == 0) ours = true;
                if (next == std::string::npos) break;
                at = next + 1;
            }
            // A zombie has no environment left; it runs nothing.
            if (ours) found.push_back(static_cast<pid_t>(std::stoi(name)));
        }
        return found;
    }

    /// The finished runs' titles (the command numbers).
    std::set<int> finishedNumbers() const {
        std::set<int> numbers;
        for (const FinishedRun& run : app.finished()) numbers.insert(std::atoi(run.title.c_str()));
        return numbers;
    }

    /// Whether a copy serves: the endpoint it wrote names the port it says it listens on.
    bool serving(const std::string& log) const {
        const auto endpoint = Endpoint::read(paths().endpoint());
        return endpoint && log.find("Listening on 127.0.0.1:" + std::to_string(endpoint->port)) != std::string::npos;
    }

    void endEveryCopy() {
        for (const pid_t pid : copies()) ::kill(pid, SIGCONT), ::kill(pid, SIGKILL);
        waitFor([&] { return copies().empty(); }, 10s);
    }

    /// With "nobody" holding the lock name as `lockBehaviour` and the launch name as
    /// `launchBehaviour`: fifty hook events with no copy running, then a launch of a menu
    /// command. One copy serves, handles every event and hears the launch; the other user hears
    /// nothing.
    void squatAndFireHooks(Behaviour lockBehaviour, Behaviour launchBehaviour) {
        // Before any thread of the test runs: the squatters are forked.
        testing::OtherUserSocket lockSquatter(SingleInstance::lockNameFor(paths()), lockBehaviour);
        testing::OtherUserSocket launchSquatter(InstanceChannel::addressFor(paths()), launchBehaviour);
        ASSERT_TRUE(lockSquatter.held() && launchSquatter.held());

        // A few at a time, as a busy agent fires them.
        CopyCounter counter([&] { return copies().size(); });
        std::vector<std::thread> helpers;
        std::atomic<int> failedHelpers = 0;
        const auto started = Clock::now();
        for (int index = 0; index < 50; ++index) {
            std::this_thread::sleep_until(started + index * 40ms);
            helpers.emplace_back([this, index, &failedHelpers] {
                if (runHelper(failedCommandPayload(index)) != 0) ++failedHelpers;
            });
        }
        for (std::thread& helper : helpers) helper.join();
        EXPECT_EQ(failedHelpers, 0);

        std::set<int> expected;
        for (int index = 0; index < 50; ++index) expected.insert(index);
        EXPECT_TRUE(waitFor(
            [&] { return finishedNumbers() == expected && entriesIn(paths().spool()) == 0; }, 60s))
            << ::testing::PrintToString(finishedNumbers()) << "\n"
            << entriesIn(paths().spool()) << " left in the spool\n"
            << readAll(startedLog());
        const std::size_t most = counter.finish();
        std::printf("%s / %s: 50 hook events, at most %zu copies\n", behaviourName(lockBehaviour).c_str(),
                    behaviourName(launchBehaviour).c_str(), most);
        EXPECT_LE(most, 2u);
        EXPECT_TRUE(waitFor([&] { return copies().size() == 1; }, 10s)) << copies().size() << " copies";
        EXPECT_TRUE(serving(readAll(startedLog()))) << readAll(startedLog());

        // A launch of a menu command reaches our copy, and only ours.
        const auto launched = Clock::now();
        EXPECT_EQ(run(QUORVEL_APP, {"--settings"}), 0);
        const auto launchTook = Clock::now() - launched;
        EXPECT_TRUE(waitFor(
            [&] { return readAll(startedLog()).find("A later launch asked for showSettings") != std::string::npos; },
            10s))
            << readAll(startedLog());
        std::printf("  the launch ended after %lld ms\n",
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(launchTook).count()));
        EXPECT_LT(launchTook, 4500ms) << "the launch waited as for a copy that quits";
        EXPECT_EQ(copies().size(), 1u);
        EXPECT_EQ(launchSquatter.heard(), "");
        EXPECT_EQ(lockSquatter.heard(), "");
        EXPECT_TRUE(lockSquatter.stillHeld() && launchSquatter.stillHeld());
        endEveryCopy();
    }

    void TearDown() override { endEveryCopy(); }
};

TEST_F(OtherUserTest, ALockNameWithAFullQueueAndALaunchNameThatAnswers) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    squatAndFireHooks(Behaviour::fullQueue, Behaviour::answering);
}

TEST_F(OtherUserTest, ALockNameThatAnswersAndALaunchNameBoundWithoutListening) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    squatAndFireHooks(Behaviour::answering, Behaviour::silent);
}

TEST_F(OtherUserTest, ALockNameBoundWithoutListeningAndALaunchNameWithAFullQueue) {
    if (::geteuid() != 0) GTEST_SKIP() << "playing another user needs root";
    squatAndFireHooks(Behaviour::silent, Behaviour::fullQueue);
}

TEST_F(OtherUserTest, PeersOnTheLaunchSocketThatSayNothingHoldNothingUp) {
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return serving(app.logText()); })) << app.logText();

    // A peer of this user keeps connecting to the launch socket and never says a word, far
    // faster than a copy that waited on each one for its word could take them.
    const std::string address = InstanceChannel::addressFor(paths());
    std::atomic<bool> stop = false;
    std::thread silentPeers([&] {
        std::vector<int> held;
        while (!stop) {
            const int peer = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            sockaddr_un to{};
            to.sun_family = AF_UNIX;
            std::memcpy(to.sun_path, address.data(), address.size());
            const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + address.size());
            if (::connect(peer, reinterpret_cast<const sockaddr*>(&to), length) == 0) {
                held.push_back(peer);
            } else {
                ::close(peer);
            }
            std::this_thread::sleep_for(20ms);
        }
        for (const int peer : held) ::close(peer);
    });
    std::this_thread::sleep_for(2s);

    // Meanwhile launches and an event are handled as usual, long before the peers stop.
    for (const char* option : {"--finished", "--settings", "--finished"}) EXPECT_EQ(run(QUORVEL_APP, {option}), 0);
    const auto launchesHeard = [&] {
        const std::string log = app.logText();
        std::size_t count = 0;
        for (std::size_t at = log.find("A later launch asked for "); at != std::string::npos;
             at = log.find("A later launch asked for ", at + 1)) {
            ++count;
        }
        return count;
    };
    const bool allHeard = waitFor([&] { return launchesHeard() == 3; }, 10s);
    const auto fired = Clock::now();
    ASSERT_EQ(runHelper(failedCommandPayload(7)), 0);
    const bool handled = waitFor([&] { return finishedNumbers().count(7) == 1; }, 10s);
    const auto handledAfter = Clock::now() - fired;
    stop = true;
    silentPeers.join();
    EXPECT_TRUE(allHeard) << launchesHeard() << " of 3 launches heard\n" << app.logText();
    EXPECT_TRUE(handled) << "the event waited behind the silent peers";
    std::printf("with silent peers connecting: %zu of 3 launches heard, the event handled %lld ms after the helper ran\n",
                launchesHeard(),
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(handledAfter).count()));
    EXPECT_TRUE(app.running());
}

}  // namespace
}  // namespace quorvel
