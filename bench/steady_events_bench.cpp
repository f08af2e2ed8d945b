// Measures what a steady stream of hook events to one session costs the app with the device
// window shown, against the same events posted in one burst: CPU per event and share of a
// core. Starts the app binary with a throw-away home whose defaults show only the device;
// needs a session bus and a display (bench/steady-events.sh provides them). Prints one table.
//
//   steady_events_bench <quorvel> [events a second (100)] [seconds (20)]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "bench/BenchApp.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"

using namespace quorvel;
using namespace quorvel::bench;

namespace {

/// Tool use within one run, as a busy agent sends it: a tool starts, then ends.
std::string toolEvent(int index) {
    HookEvent made = HookEvent::make(index % 2 == 0 ? "PreToolUse" : "PostToolUse", "steady",
                                     static_cast<double>(std::time(nullptr)));
    made.cwd = "/work/project-steady";
    made.toolName = (index / 2) % 3 == 0 ? "Bash" : "Edit";
    if (made.toolName == std::optional<std::string>("Bash")) made.command = "make -j4 test-" + std::to_string(index);
    return json::dump(made.encode());
}

struct Measured {
    int events;
    double seconds;
    double cpuSeconds;
};

/// Posts `count` events, one every `spacing` (zero: one after another), and waits `settle`
/// after the last one, so whatever the events started is counted.
Measured post(App& app, int count, std::chrono::microseconds spacing, std::chrono::milliseconds settle) {
    int refused = 0;
    const double cpuBefore = app.cpuSeconds();
    const auto start = SteadyClock::now();
    for (int index = 0; index < count; ++index) {
        if (spacing.count() > 0) std::this_thread::sleep_until(start + index * spacing);
        if (!accepted(app.endpoint(), toolEvent(index))) ++refused;
    }
    const double posting = millisecondsSince(start) / 1000.0;
    std::this_thread::sleep_for(settle);
    if (refused > 0) std::fprintf(stderr, "%d events refused\n", refused);
    return {count, posting, app.cpuSeconds() - cpuBefore};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <quorvel> [events a second] [seconds]\n", argv[0]);
        return 2;
    }
    const int rate = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
    const int seconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;
    const int count = rate * seconds;

    testing::TemporaryFolder home;
    testing::RuntimeFolder runtime;
    const std::unique_ptr<App> started = startWithTheDeviceAlone(argv[1], home.path(), runtime.path());
    App& app = *started;
    accepted(app.endpoint(), event("UserPromptSubmit", "steady", "benchmark a steady stream"));
    std::this_thread::sleep_for(std::chrono::seconds(1));

    // The running session alone: its whole-second redraws, taken off both measures below.
    const Idle running = measureIdle(app, 5);
    const std::chrono::milliseconds settle(1000);
    const Measured steady = post(app, count, std::chrono::microseconds(1000000 / rate), settle);
    const Measured burst = post(app, count, std::chrono::microseconds(0), settle);

    const auto perEvent = [&](const Measured& measured) {
        const double baseline = running.cpuPercent / 100.0 * (measured.seconds + settle.count() / 1000.0);
        return 1000.0 * std::max(0.0, measured.cpuSeconds - baseline) / measured.events;
    };
    const auto share = [&](const Measured& measured) {
        return 100.0 * measured.cpuSeconds / (measured.seconds + settle.count() / 1000.0);
    };
    std::printf("| measure (device window shown, one running session) | events a second | CPU per event | CPU of one core |\n"
                "|---|---|---|---|\n");
    std::printf("| the session alone, 5 s | | | %.2f %% |\n", running.cpuPercent);
    std::printf("| %d events, steady | %.0f | %.3f ms | %.1f %% |\n", steady.events, steady.events / steady.seconds,
                perEvent(steady), share(steady));
    std::printf("| the same %d events in one burst | %.0f | %.3f ms | |\n", burst.events, burst.events / burst.seconds,
                perEvent(burst));
    return 0;
}
