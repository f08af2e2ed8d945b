// Measures what the app loses when it is ended, and what idle connections cost it: the events
// lost when SIGTERM comes with a backlog of accepted events, the events lost when the app is
// killed (SIGKILL) in the middle of draining a full spool folder, the resident memory per
// idle loopback connection, how long SIGTERM takes while a push waits on a relay that never
// answers, and how many lines the app logs in its first minute without iCloud. Starts the app
// binary with a throw-away home and runtime folder each time; needs a session bus with an
// unlocked keyring (bench/reliability.sh provides both). Prints one table.
//
//   reliability_bench <quorvel> [backlog events (3000)] [spool files (5000)] [idle connections (3000)]
//                     [seconds of logging (60)]
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/delivery/RelayKeyStore.hpp"
#include "bench/BenchApp.hpp"
#include "platform/Files.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/services/LibsecretStore.hpp"
#include "tests/app/core/LoopbackClient.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/SilentServer.hpp"
#include "tests/support/TemporaryFolder.hpp"

using namespace quorvel;
using namespace quorvel::bench;

namespace {

/// A failed shell command: every one is a finished run, saved as it is handled, so the app
/// falls behind a fast poster and handling order shows in the titles.
std::string failedCommand(int index, double receivedAt) {
    HookEvent made = HookEvent::make("PostToolUseFailure", "s1", receivedAt);
    made.toolName = "Bash";
    made.command = "make test " + std::to_string(index);
    made.error = "Exit code 2\nfailed";
    made.cwd = "/work/site";
    return json::dump(made.encode());
}

/// The command numbers of the finished list, newest first.
std::vector<int> finishedCommands(const std::string& appSupport) {
    std::vector<int> numbers;
    const auto text = files::readFile(appSupport + "/finished.json");
    if (!text) return numbers;
    try {
        for (const json::Json& run : json::parse(*text)) {
            numbers.push_back(std::stoi(run.at("title").get<std::string>().substr(std::string("make test ").size())));
        }
    } catch (const std::exception&) {
        numbers.clear();
    }
    return numbers;
}

struct TermResult {
    int accepted = 0;
    int lost = 0;
    std::optional<int> exitStatus;
    double exitMilliseconds = 0;
};

TermResult terminateWithBacklog(const std::string& program, int events) {
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;
    App app(program, home.path(), runtime.path());
    TermResult result;
    for (int index = 0; index < events; ++index) {
        result.accepted += accepted(app.endpoint(), failedCommand(index, double(std::time(nullptr)))) ? 1 : 0;
    }
    const auto signalled = SteadyClock::now();
    result.exitStatus = app.process().terminate();
    result.exitMilliseconds = millisecondsSince(signalled);
    // Handled in order, so the newest runs kept tell whether the last accepted ones made it.
    const std::vector<int> kept = finishedCommands(app.appSupport());
    int expected = events - 1;
    for (int number : kept) result.lost += number == expected-- ? 0 : 1;
    if (kept.empty()) result.lost = result.accepted;
    else result.lost += events - 1 - kept.front();
    return result;
}

struct KillResult {
    int handled = 0;
    int left = 0;
    int lost = 0;
};

KillResult killDuringDrain(const std::string& program, int files) {
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;
    const std::string spool = QuorvelPaths(home.path()).spool();
    (void)files::createDirectories(spool, 0700);
    const double start = double(std::time(nullptr)) - 100;
    for (int index = 0; index < files; ++index) {
        char name[64];
        std::snprintf(name, sizeof name, "/%013.0f-%06d.json", (start + index * 0.001) * 1000, index);
        (void)files::writeFileAtomically(spool + name, failedCommand(index, start + index * 0.001));
    }
    testing::AppProcess process(program, home.path(), runtime.path(), testing::AppProcess::LogCopy::none);
    process.start();
    const std::string appSupport = process.paths().appSupport();
    // Killed once the drain is well under way.
    while (finishedCommands(appSupport).empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(process.pid(), SIGKILL);
    process.stop();

    KillResult result;
    int firstLeft = files;
    for (const auto& entry : std::filesystem::directory_iterator(spool)) {
        ++result.left;
        const std::string name = entry.path().filename();
        firstLeft = std::min(firstLeft, std::atoi(name.substr(name.find('-') + 1).c_str()));
    }
    const std::vector<int> kept = finishedCommands(appSupport);
    result.handled = kept.empty() ? 0 : kept.front() + 1;
    // The event in hand may be both kept and still spooled; anything between is lost.
    result.lost = std::max(0, firstLeft - result.handled);
    return result;
}

struct IdleResult {
    int connections = 0;
    int keptOpen = 0;
    double bytesPerConnection = 0;
};

IdleResult idleConnections(const std::string& program, int connections) {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, rlim_t(connections) + 256);
    ::setrlimit(RLIMIT_NOFILE, &limit);
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;
    App app(program, home.path(), runtime.path());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const long before = app.residentKilobytes();
    std::vector<std::unique_ptr<testing::LoopbackClient>> clients;
    for (int index = 0; index < connections; ++index) {
        clients.push_back(std::make_unique<testing::LoopbackClient>(app.endpoint().port));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    IdleResult result;
    result.connections = connections;
    result.bytesPerConnection = double(app.residentKilobytes() - before) * 1024.0 / connections;
    for (const auto& client : clients) result.keptOpen += client->closedByServerNow() ? 0 : 1;
    return result;
}

struct DeadNetworkResult {
    bool measured = false;
    std::optional<int> exitStatus;
    double exitMilliseconds = 0;
};

/// SIGTERM while one done alert waits on a relay that took the connection and never answers.
DeadNetworkResult quitUnderDeadNetwork(const std::string& program) {
    DeadNetworkResult result;
    LibsecretStore keyring;
    const testing::SilentServer relay;
    const auto url = WebUrl::parse("https://" + relay.host() + "/push");
    if (!url || !RelayKeyStore::save(keyring, {*url, "bench-key"})) return result;
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;
    KeyValueStore defaults(home / ".config/quorvel/defaults.json");
    defaults.setString("phoneDeviceToken", "00112233445566778899aabbccddeeff");
    json::Json settings = json::Json::object();
    settings["alwaysPushToPhone"] = true;
    defaults.setJson("appSettings", settings);
    {
        App app(program, home.path(), runtime.path());
        accepted(app.endpoint(), event("UserPromptSubmit", "s1", std::string("fix the build")));
        accepted(app.endpoint(), event("Stop", "s1"));
        const auto posted = SteadyClock::now();
        while (!relay.hasWaitingConnection() && millisecondsSince(posted) < 10000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const auto signalled = SteadyClock::now();
        result.exitStatus = app.process().terminate();
        result.exitMilliseconds = millisecondsSince(signalled);
        result.measured = relay.hasWaitingConnection();
    }
    (void)RelayKeyStore::remove(keyring);
    return result;
}

struct LogVolume {
    int lines = 0;
    int iCloudLines = 0;
};

/// The lines an idle app logs in its first `seconds`, without iCloud (as on Linux).
LogVolume logVolume(const std::string& program, int seconds) {
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;
    testing::AppProcess process(program, home.path(), runtime.path(), testing::AppProcess::LogCopy::file);
    process.start();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const std::string text = process.logText();
    process.stop();
    LogVolume volume;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        ++volume.lines;
        volume.iCloudLines += line.find("iCloud") != std::string::npos ? 1 : 0;
    }
    return volume;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: reliability_bench <quorvel> [backlog events] [spool files] [idle connections]\n");
        return 2;
    }
    const std::string program = argv[1];
    const int backlog = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3000;
    const int spooled = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5000;
    const int idle = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3000;
    const int logSeconds = argc > 5 ? std::max(1, std::atoi(argv[5])) : 60;

    const TermResult term = terminateWithBacklog(program, backlog);
    const KillResult killed = killDuringDrain(program, spooled);
    const IdleResult connections = idleConnections(program, idle);
    const DeadNetworkResult deadNetwork = quitUnderDeadNetwork(program);
    const LogVolume logged = logVolume(program, logSeconds);

    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| SIGTERM after %d accepted events: events lost | %d |\n", term.accepted, term.lost);
    std::printf("| SIGTERM with that backlog: exit status, time to exit | %s, %.2f s |\n",
                term.exitStatus ? std::to_string(*term.exitStatus).c_str() : "killed", term.exitMilliseconds / 1000);
    std::printf("| SIGKILL during a drain of %d spool files: handled / still spooled / lost | %d / %d / %d |\n", spooled,
                killed.handled, killed.left, killed.lost);
    std::printf("| %d idle connections: resident memory per connection | %.0f bytes |\n", connections.connections,
                connections.bytesPerConnection);
    std::printf("| %d idle connections: held open (the rest closed at once) | %d |\n", connections.connections,
                connections.keptOpen);
    if (deadNetwork.measured) {
        std::printf("| SIGTERM with a push waiting on a relay that never answers: exit status, time to exit | %s, "
                    "%.2f s |\n",
                    deadNetwork.exitStatus ? std::to_string(*deadNetwork.exitStatus).c_str() : "killed",
                    deadNetwork.exitMilliseconds / 1000);
    } else {
        std::printf("| SIGTERM with a push waiting on a relay that never answers | not measured (no keyring) |\n");
    }
    std::printf("| first %d s without iCloud: log lines about iCloud / in all | %d / %d |\n", logSeconds,
                logged.iCloudLines, logged.lines);
    return 0;
}
