// Measures the app with the device window on screen: resident memory and CPU while idle (no
// sessions), while a session runs (the device redraws once a second) and while a one-shot
// motion plays (a run just finished: the done motion and the floppy). Starts the app binary
// with a throw-away home whose defaults show only the device; needs a display with a window
// manager and a session bus (bench/device-window.sh provides them). Prints one table.
//
//   device_window_bench <quorvel> [idle seconds] [running seconds] [rounds of the one-shot]
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchApp.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"

using namespace quorvel;
using namespace quorvel::bench;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <quorvel> [idle seconds] [running seconds] [one-shot rounds]\n", argv[0]);
        return 2;
    }
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
    const int runningSeconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 30;
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

    testing::TemporaryFolder home;
    testing::RuntimeFolder runtime;
    const std::unique_ptr<App> started = startWithTheDeviceAlone(argv[1], home.path(), runtime.path());
    App& app = *started;

    const Idle idle = measureIdle(app, idleSeconds);

    accepted(app.endpoint(), event("UserPromptSubmit", "bench", "benchmark the device"));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Idle running = measureIdle(app, runningSeconds);

    // Each round: a run finishes (the done motion, about 4.4 s), then a new one starts.
    double cpu = 0, seconds = 0;
    long resident = 0;
    for (int round = 0; round < rounds; ++round) {
        accepted(app.endpoint(), event("Stop", "bench"));
        const Idle oneShot = measureIdle(app, 4);
        cpu += oneShot.cpuPercent * 4;
        seconds += 4;
        resident = std::max(resident, oneShot.residentKilobytes);
        accepted(app.endpoint(), event("UserPromptSubmit", "bench", "benchmark the device"));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }

    std::printf("| measure (device window shown) | resident memory | CPU of one core |\n|---|---|---|\n");
    std::printf("| idle %d s, no sessions | %.1f MiB | %.3f %% |\n", idleSeconds, idle.residentKilobytes / 1024.0, idle.cpuPercent);
    std::printf("| one session running, %d s (whole-second redraws) | %.1f MiB | %.3f %% |\n", runningSeconds,
                running.residentKilobytes / 1024.0, running.cpuPercent);
    std::printf("| done motion playing, %d rounds of 4 s | %.1f MiB | %.3f %% |\n", rounds, resident / 1024.0,
                cpu / seconds);
    return 0;
}
