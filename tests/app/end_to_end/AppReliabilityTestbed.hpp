#pragma once
// The app binary under conditions a desktop meets sooner or later: a full disk, huge files of
// its own, floods of events and connections, the end of the session while work waits, two
// starts at once, a clock set back, folders replaced by links. Each test starts the app with
// a throw-away home on a private session bus (see the CTest entry) and bounds its load in
// count and time, on loopback only.
//
// The ground those tests share: the app with a throw-away home, and events made, posted and
// spooled as the helper would.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/Session.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/support/LoopbackClient.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::RuntimeFolder;
using testing::TemporaryFolder;

using testing::waitFor;

/// Seconds since 1970 an hour ago: events this old are kept but never sound or show.
inline double anHourAgo() { return static_cast<double>(std::time(nullptr)) - 3600; }

/// A failed shell command numbered `index`, received `index` milliseconds after `start`:
/// every one is a finished run titled by its number, so the list shows what was handled, in
/// which order, and whether twice.
inline HookEvent failedCommand(int index, double start, const std::string& session = "s1") {
    HookEvent made = HookEvent::make("PostToolUseFailure", session, start + index * 0.001);
    made.toolName = "Bash";
    made.command = std::to_string(index);
    made.error = "Exit code 2\nfailed";
    made.cwd = "/work/site";
    return made;
}

inline std::string body(const HookEvent& event) { return json::dump(event.encode()); }

inline int postedStatus(const Endpoint& endpoint, const std::string& text, double timeout = 5.0) {
    const auto status = post(text, endpoint, timeout);
    return status ? *status : 0;
}

inline void writeSpooled(const std::string& spool, const std::vector<HookEvent>& events) {
    ASSERT_TRUE(files::createDirectories(spool, 0700));
    for (const HookEvent& event : events) {
        char name[64];
        std::snprintf(name, sizeof name, "/%013.0f-%s.json", event.receivedAt * 1000, event.command->c_str());
        ASSERT_TRUE(files::writeFileAtomically(spool + name, body(event), 0600));
    }
}

inline std::size_t entriesIn(const std::string& folder) {
    std::error_code error;
    std::size_t count = 0;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) ++count;
    return count;
}

class ReliableApp : public testing::AppProcess {
public:
    ReliableApp(const std::string& home, const std::string& runtime) : AppProcess(QUORVEL_APP, home, runtime) {}
    /// `program` in place of the app, which it runs (a wrapper such as setpriv).
    ReliableApp(const std::string& program, const std::string& home, const std::string& runtime)
        : AppProcess(program, home, runtime) {}

    std::string appSupport() const { return paths().appSupport(); }
    std::string spool() const { return paths().spool(); }

    /// The endpoint once the app says it listens on its port.
    std::optional<Endpoint> endpoint(std::chrono::milliseconds limit = 15s) const { return waitUntilServing(limit); }

    /// The command numbers of the saved finished list, newest first.
    std::vector<int> finishedCommands() const {
        std::vector<int> numbers;
        for (const FinishedRun& run : finished()) numbers.push_back(std::atoi(run.title.c_str()));
        return numbers;
    }

    std::size_t logLinesWith(const std::string& words) const {
        const std::string text = logText();
        std::size_t count = 0;
        for (std::size_t at = text.find(words); at != std::string::npos; at = text.find(words, at + 1)) ++count;
        return count;
    }

    long residentKilobytes() const {
        std::ifstream status("/proc/" + std::to_string(pid()) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
        }
        return 0;
    }

    /// Ends it with SIGTERM; its exit status once it ended within `limit`.
    std::optional<int> terminateWithin(std::chrono::milliseconds limit) {
        if (pid() > 0) ::kill(pid(), SIGTERM);
        return waitForExit(limit);
    }
};

/// The newest `count` of `accepted` (in the order they were accepted), newest first: what the
/// finished list holds when each accepted event was handled once, in order.
inline std::vector<int> newestFirst(const std::vector<int>& accepted, std::size_t count) {
    std::vector<int> newest(accepted.rbegin(), accepted.rbegin() + std::min(count, accepted.size()));
    return newest;
}

/// The newest numbers that the finished list keeps.
constexpr std::size_t finishedCap = 50;

class AppReliabilityTests : public ::testing::Test {
protected:
    TemporaryFolder home;
    RuntimeFolder runtime;
    ReliableApp app{home.path(), runtime.path()};
};

inline std::string textOf(const std::string& path) {
    const auto text = files::readFile(path);
    return text ? *text : std::string();
}

}  // namespace quorvel
