#pragma once
// The app binary as the benchmarks run it: started with a throw-away home and runtime folder,
// waited for until it answers on its endpoint, and read from /proc for its memory and CPU.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/StoredDefaults.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/stores/KeyValueStore.hpp"
#include "tests/support/AppProcess.hpp"

namespace quorvel::bench {

using SteadyClock = std::chrono::steady_clock;

inline double millisecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

/// Posts `body` as the helper does; true when the app accepted it.
inline bool accepted(const Endpoint& endpoint, const std::string& body) {
    const auto status = post(body, endpoint, 5.0);
    return status && *status == 202;
}

inline std::string event(const std::string& name, const std::string& session, std::optional<std::string> prompt = {}) {
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
    /// The process itself, to signal or end it.
    testing::AppProcess& process() { return process_; }

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

/// The app started with defaults under `home` that show the device alone (no first-run
/// checklist, no strip), once its start-up has settled (fonts, first paint, the phone
/// exchange's first round).
inline std::unique_ptr<App> startWithTheDeviceAlone(const std::string& program, const std::string& home,
                                                    const std::string& runtime) {
    {
        KeyValueStore defaults(home + "/.config/quorvel/defaults.json");
        defaults.set(StoredDefaults::setupShown, true);
        defaults.set(StoredDefaults::deviceVisible, true);
        defaults.set(StoredDefaults::stripVisible, false);
    }
    auto app = std::make_unique<App>(program, home, runtime);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    return app;
}

struct Idle {
    long residentKilobytes;
    double cpuPercent;
};

inline Idle measureIdle(const App& app, int seconds) {
    const double cpuBefore = app.cpuSeconds();
    const auto start = SteadyClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double elapsed = millisecondsSince(start) / 1000.0;
    return {app.residentKilobytes(), 100.0 * (app.cpuSeconds() - cpuBefore) / elapsed};
}

}  // namespace quorvel::bench
