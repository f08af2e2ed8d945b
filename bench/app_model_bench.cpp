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
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "bench/BenchApp.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"

using namespace quorvel;
using namespace quorvel::bench;

namespace {

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
