// Measures what the app loses when it is ended, what idle connections cost it, what an event
// costs it as the session table grows, and what the network and a missing iCloud cost it: the
// events lost and the time to exit when SIGTERM comes with a backlog of accepted events or in
// the middle of a long spool drain, the events lost when the app is killed (SIGKILL) in the
// middle of draining a full spool folder, the resident memory per idle loopback connection,
// the handling rate and CPU per 1,000 events spread over 10, 10,000 and 20,000 sessions, how long
// SIGTERM takes while a push waits on a relay that never answers, and how many lines the app
// logs in its first minute without iCloud. Starts the app binary with a throw-away home and
// runtime folder each time; needs a session bus with an unlocked keyring
// (bench/reliability.sh provides both). Prints one table.
//
//   reliability_bench <quorvel> [backlog events (3000)] [spool files (5000)] [idle connections (3000)]
//                     [events per session count (20000)] [seconds of logging (60)] ["rates"]
//
// With "rates" last, only the handling rates are measured: over 10 sessions, over 10,000
// sessions that all have a run in progress (the session table grows past its 1,000 for them),
// and over 20,000 sessions (the table at its hard bound).
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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
#include "kit/engine/StoredDefaults.hpp"
#include "platform/files/Files.hpp"
#include "platform/services/LibsecretStore.hpp"
#include "platform/stores/KeyValueStore.hpp"
#include "tests/support/LoopbackClient.hpp"
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

/// Of commands 0 to `events` - 1, handled once each in order, the list keeps the newest fifty:
/// how many of those it lacks or holds out of order.
int lostOrOutOfOrder(const std::vector<int>& kept, int events) {
    if (kept.empty()) return std::min(events, 50);
    int missing = 0;
    int expected = events - 1;
    for (int number : kept) missing += number == expected-- ? 0 : 1;
    return missing;
}

/// Starts the app again over `home` and waits until its spool folder is empty.
void restartAndDrain(const std::string& program, const std::string& home, const std::string& runtime) {
    App again(program, home, runtime);
    const std::string spool = QuorvelPaths(home).spool();
    const auto restarted = SteadyClock::now();
    while (std::filesystem::exists(spool) && !std::filesystem::is_empty(spool) && millisecondsSince(restarted) < 120000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The last file goes just after its run is saved.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

TermResult terminateWithBacklog(const std::string& program, int events) {
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;
    TermResult result;
    {
        App app(program, home.path(), runtime.path());
        const double start = double(std::time(nullptr)) - 100;
        for (int index = 0; index < events; ++index) {
            result.accepted += accepted(app.endpoint(), failedCommand(index, start + index * 0.001)) ? 1 : 0;
        }
        const auto signalled = SteadyClock::now();
        result.exitStatus = app.process().terminate();
        result.exitMilliseconds = millisecondsSince(signalled);
    }
    // What was accepted but not handled waits in the spool for the next start.
    restartAndDrain(program, home.path(), runtime.path());
    result.lost = lostOrOutOfOrder(finishedCommands(QuorvelPaths(home.path()).appSupport()), events);
    return result;
}

/// `files` failed commands in the spool folder of `home`, a millisecond apart; the folder.
std::string fillSpool(const std::string& home, int files) {
    const std::string spool = QuorvelPaths(home).spool();
    (void)files::createDirectories(spool, 0700);
    const double start = double(std::time(nullptr)) - 100;
    for (int index = 0; index < files; ++index) {
        char name[64];
        std::snprintf(name, sizeof name, "/%013.0f-%06d.json", (start + index * 0.001) * 1000, index);
        (void)files::writeFileAtomically(spool + name, failedCommand(index, start + index * 0.001));
    }
    return spool;
}

struct KillResult {
    int handled = 0;
    int left = 0;
    int lost = 0;
};

KillResult killDuringDrain(const std::string& program, int files) {
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;
    const std::string spool = fillSpool(home.path(), files);
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

struct DrainTermResult {
    int left = 0;
    std::optional<int> exitStatus;
    double exitMilliseconds = 0;
    int lostAfterRestart = 0;
};

/// SIGTERM once the drain of `files` spool files is under way, then a restart that drains the
/// rest: every event handled once, in order, leaves the newest fifty in the list.
DrainTermResult terminateDuringDrain(const std::string& program, int files) {
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;
    const std::string spool = fillSpool(home.path(), files);
    DrainTermResult result;
    {
        testing::AppProcess process(program, home.path(), runtime.path(), testing::AppProcess::LogCopy::none);
        process.start();
        const std::string appSupport = process.paths().appSupport();
        while (finishedCommands(appSupport).empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto signalled = SteadyClock::now();
        ::kill(process.pid(), SIGTERM);
        result.exitStatus = process.waitForExit(std::chrono::seconds(60));
        result.exitMilliseconds = millisecondsSince(signalled);
    }
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(spool)) ++result.left;
    restartAndDrain(program, home.path(), runtime.path());
    result.lostAfterRestart = lostOrOutOfOrder(finishedCommands(QuorvelPaths(home.path()).appSupport()), files);
    return result;
}

struct RateResult {
    int sessions = 0;
    int events = 0;
    double eventsPerSecond = 0;
    double cpuPerThousand = 0;
};

/// `events` prompts spread over `sessions` sessions from four clients, then a marker (a failed
/// command): the rate is events handled per second until the marker is in the list, the CPU
/// the app's own over that time.
RateResult handlingRate(const std::string& program, int sessions, int events) {
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;
    App app(program, home.path(), runtime.path());
    const double cpuBefore = app.cpuSeconds();
    const auto started = SteadyClock::now();
    std::atomic<int> next = 0;
    std::vector<std::thread> clients;
    for (int client = 0; client < 4; ++client) {
        clients.emplace_back([&] {
            for (int index = next++; index < events; index = next++) {
                const std::string body =
                    event("UserPromptSubmit", "session-" + std::to_string(index % sessions), "prompt " + std::to_string(index));
                // Past the queue's bound the app answers 503: the helper would spool; here the
                // client tries again a moment later.
                while (!accepted(app.endpoint(), body)) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    for (std::thread& client : clients) client.join();
    const int marker = 987654;
    while (!accepted(app.endpoint(), failedCommand(marker, double(std::time(nullptr))))) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    while (true) {
        const std::vector<int> kept = finishedCommands(app.appSupport());
        if (!kept.empty() && kept.front() == marker) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    RateResult result;
    result.sessions = sessions;
    result.events = events;
    result.eventsPerSecond = events / (millisecondsSince(started) / 1000.0);
    result.cpuPerThousand = (app.cpuSeconds() - cpuBefore) * 1000.0 / events;
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
    defaults.set(StoredDefaults::phoneDeviceToken, "00112233445566778899aabbccddeeff");
    json::Json settings = json::Json::object();
    settings["alwaysPushToPhone"] = true;
    defaults.set(StoredDefaults::appSettings, settings);
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
    const int rateEvents = argc > 5 ? std::max(1, std::atoi(argv[5])) : 20000;
    const int logSeconds = argc > 6 ? std::max(1, std::atoi(argv[6])) : 60;
    const bool onlyRates = argc > 7 && std::string(argv[7]) == "rates";

    const RateResult few = handlingRate(program, 10, rateEvents);
    const RateResult live = handlingRate(program, 10000, rateEvents);
    const RateResult many = handlingRate(program, 20000, rateEvents);
    if (onlyRates) {
        std::printf("| measure | value |\n|---|---|\n");
        for (const RateResult& rate : {few, live, many}) {
            std::printf("| %d prompts over %d sessions: handled per second, CPU per 1,000 events | %.0f, %.2f s |\n",
                        rate.events, rate.sessions, rate.eventsPerSecond, rate.cpuPerThousand);
        }
        return 0;
    }

    const TermResult term = terminateWithBacklog(program, backlog);
    const DrainTermResult drainTerm = terminateDuringDrain(program, spooled);
    const KillResult killed = killDuringDrain(program, spooled);
    const IdleResult connections = idleConnections(program, idle);
    const DeadNetworkResult deadNetwork = quitUnderDeadNetwork(program);
    const LogVolume logged = logVolume(program, logSeconds);

    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| SIGTERM after %d accepted events, then a restart: events lost or out of order | %d |\n",
                term.accepted, term.lost);
    std::printf("| SIGTERM with that backlog: exit status, time to exit | %s, %.2f s |\n",
                term.exitStatus ? std::to_string(*term.exitStatus).c_str() : "killed", term.exitMilliseconds / 1000);
    std::printf("| SIGTERM during a drain of %d spool files: exit status, time to exit, files left | %s, %.2f s, %d |\n",
                spooled, drainTerm.exitStatus ? std::to_string(*drainTerm.exitStatus).c_str() : "killed",
                drainTerm.exitMilliseconds / 1000, drainTerm.left);
    std::printf("| that drain finished by a restart: events lost or out of order | %d |\n", drainTerm.lostAfterRestart);
    std::printf("| SIGKILL during a drain of %d spool files: handled / still spooled / lost | %d / %d / %d |\n", spooled,
                killed.handled, killed.left, killed.lost);
    std::printf("| %d idle connections: resident memory per connection | %.0f bytes |\n", connections.connections,
                connections.bytesPerConnection);
    std::printf("| %d idle connections: held open (each newcomer beyond them closed the one quiet longest) | %d |\n", connections.connections,
                connections.keptOpen);
    for (const RateResult& rate : {few, live, many}) {
        std::printf("| %d prompts over %d sessions: handled per second, CPU per 1,000 events | %.0f, %.2f s |\n",
                    rate.events, rate.sessions, rate.eventsPerSecond, rate.cpuPerThousand);
    }
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
