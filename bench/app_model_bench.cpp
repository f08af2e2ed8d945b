// Measures the running app: its resident memory and CPU use while idle (no sessions, then
// three running sessions) and the time from a POST being accepted to its finished run being
// saved. Starts the app binary with a throw-away home and runtime folder; needs a display and
// a session bus (bench/app-model.sh provides both). Prints one table.
//
//   app_model_bench <quorvel> [idle seconds] [saves]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"

using namespace quorvel;
using SteadyClock = std::chrono::steady_clock;

namespace {

double millisecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

/// Posts `body` as the helper does; true when the app accepted it.
bool accepted(const Endpoint& endpoint, const std::string& body) {
    const auto status = post(body, endpoint, 5.0);
    return status && *status == 202;
}

std::string event(const std::string& name, const std::string& session, std::optional<std::string> prompt = {}) {
    HookEvent made = HookEvent::make(name, session, static_cast<double>(std::time(nullptr)));
    made.cwd = "/work/project-" + session;
    made.promptFirstLine = std::move(prompt);
    return json::dump(made.encode());
}

/// The app, started, with an endpoint it answers on.
class App {
public:
    App(const std::string& program, const std::string& home, const std::string& runtime)
        : process_(program, home, runtime, testing::AppProcess::LogCopy::none) {
        if (!process_.start()) {
            std::fprintf(stderr, "couldn't start %s\n", program.c_str());
            std::exit(1);
        }
        const auto started = SteadyClock::now();
        while (millisecondsSince(started) < 15000) {
            if (auto read = Endpoint::read(process_.paths().endpoint());
                read && accepted(*read, event("SessionStart", "probe"))) {
                endpoint_ = *read;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::fprintf(stderr, "the app didn't start listening\n");
        std::exit(1);
    }

    std::string appSupport() const { return process_.paths().appSupport(); }
    const Endpoint& endpoint() const { return endpoint_; }

    /// Resident memory in kilobytes.
    long residentKilobytes() const {
        std::ifstream status("/proc/" + std::to_string(process_.pid()) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
        }
        return 0;
    }

    /// User plus system CPU time so far, in seconds.
    double cpuSeconds() const {
        std::ifstream stat("/proc/" + std::to_string(process_.pid()) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // Fields after the command name in parentheses; utime and stime are the 14th and 15th.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int index = 3; fields >> field; ++index) {
            if (index == 14) utime = std::stoull(field);
            if (index == 15) {
                stime = std::stoull(field);
                break;
            }
        }
        return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

private:
    testing::AppProcess process_;
    Endpoint endpoint_;
};

struct Idle {
    long residentKilobytes;
    double cpuPercent;
};

Idle measureIdle(const App& app, int seconds) {
    const double cpuBefore = app.cpuSeconds();
    const auto start = SteadyClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double elapsed = millisecondsSince(start) / 1000.0;
    return {app.residentKilobytes(), 100.0 * (app.cpuSeconds() - cpuBefore) / elapsed};
}

std::size_t finishedCount(const std::string& path) {
    const auto text = files::readFile(path);
    if (!text) return 0;
    try {
        return json::parse(*text).size();
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: app_model_bench <quorvel> [idle seconds] [saves]\n");
        return 2;
    }
    const std::string program = argv[1];
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const int saves = argc > 3 ? std::max(1, std::atoi(argv[3])) : 50;

    // A home and a runtime folder of its own: a Quorvel the user runs is never disturbed, and
    // never makes the measured app a silent second copy.
    const testing::TemporaryFolder home;
    const testing::RuntimeFolder runtime;

    Idle quiet{}, busy{};
    std::vector<double> saveMilliseconds;
    {
        App app(program, home.path(), runtime.path());
        quiet = measureIdle(app, idleSeconds);

        for (const char* session : {"a", "b", "c"}) {
            accepted(app.endpoint(), event("UserPromptSubmit", session, "keep going"));
        }
        busy = measureIdle(app, idleSeconds);

        const std::string finished = app.appSupport() + "/finished.json";
        for (int round = 0; round < saves; ++round) {
            const std::string session = "save-" + std::to_string(round);
            accepted(app.endpoint(), event("UserPromptSubmit", session, "a run"));
            const std::size_t before = finishedCount(finished);
            const bool stopAccepted = accepted(app.endpoint(), event("Stop", session));
            const auto acceptedAt = SteadyClock::now();
            if (!stopAccepted) {
                std::fprintf(stderr, "a POST was refused\n");
                return 1;
            }
            // The list stops growing at 50 runs; from then on the file changes in place.
            while (finishedCount(finished) == before && before < 50 && millisecondsSince(acceptedAt) < 5000) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            saveMilliseconds.push_back(millisecondsSince(acceptedAt));
            if (before >= 50) break;
        }
    }

    std::sort(saveMilliseconds.begin(), saveMilliseconds.end());
    const auto percentile = [&](double p) {
        return saveMilliseconds[static_cast<std::size_t>(p * static_cast<double>(saveMilliseconds.size() - 1))];
    };
    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| idle %d s, no sessions: resident memory | %.1f MiB |\n", idleSeconds, quiet.residentKilobytes / 1024.0);
    std::printf("| idle %d s, no sessions: CPU | %.2f %% |\n", idleSeconds, quiet.cpuPercent);
    std::printf("| idle %d s, three running sessions: resident memory | %.1f MiB |\n", idleSeconds,
                busy.residentKilobytes / 1024.0);
    std::printf("| idle %d s, three running sessions: CPU | %.2f %% |\n", idleSeconds, busy.cpuPercent);
    std::printf("| POST accepted to finished run saved, median of %zu | %.2f ms |\n", saveMilliseconds.size(),
                percentile(0.5));
    std::printf("| POST accepted to finished run saved, 95th percentile | %.2f ms |\n", percentile(0.95));
    return 0;
}
