// Start-up, each against its baseline in one run (runs interleaved, so a load that comes and
// goes weighs on both sides alike):
// - the helper posting one payload to the running app, against `sh -c 'exec /bin/true < payload'`;
// - the app from start to its first accepted POST, first start (fresh home) and later start
//   (same home: helper installed, endpoint file there), against the Qt floor;
// - `quorvel --render device-done x.png`, against the Qt floor.
// Prints medians and ratios of medians. Every binary may be given more than once (a build
// before a change beside the one after it).
//   startup_bench --floor <qt_floor> [--helper <quorvel-hook>]... [--app <quorvel>]... [--runs N]
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchApp.hpp"
#include "tests/support/ProgramLaunch.hpp"

namespace {

using namespace quorvel;
using bench::millisecondsSince;
using bench::SteadyClock;

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Runs `words` to its end with standard input from `input` (none: /dev/null) and the
// environment `changes` make; the wall time in milliseconds, or absent when it failed.
std::optional<double> timedRun(std::vector<std::string> words, const std::string& input,
                               const std::map<std::string, std::optional<std::string>>& changes) {
    const std::string program = words.at(0);
    const testing::ProgramEnd end = testing::ProgramLaunch(program)
                                        .arguments({words.begin() + 1, words.end()})
                                        .environment(changes)
                                        .inputFromFile(input.empty() ? "/dev/null" : input)
                                        .outputToFile("/dev/null")
                                        .run();
    if (!end.succeeded()) return std::nullopt;
    return end.seconds * 1000.0;
}

// Starts the app in `home` and waits for its first accepted POST; the milliseconds from the
// start, then ends it as the session does. Absent when it never served within 15 s.
std::optional<double> timedAppStart(const std::string& app, const std::string& home) {
    const std::string runtime = home + "/runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    testing::AppProcess process(app, home, runtime, testing::AppProcess::LogCopy::none);
    const auto start = SteadyClock::now();
    if (!process.start()) return std::nullopt;
    const std::string probe = bench::event("SessionStart", "probe");
    while (millisecondsSince(start) < 15000) {
        if (const auto endpoint = Endpoint::read(process.paths().endpoint())) {
            const auto status = post(probe, *endpoint, 1.0);
            if (status && *status == 202) {
                const double elapsed = millisecondsSince(start);
                process.stop();
                return elapsed;
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return std::nullopt;
}

class Samples {
public:
    void add(const std::string& row, std::optional<double> value) {
        if (value) {
            values_[row].push_back(*value);
        } else {
            ++failures_[row];
        }
    }
    double median(const std::string& row) const {
        const auto found = values_.find(row);
        return found == values_.end() ? 0 : ::median(found->second);
    }
    void printFailures() const {
        for (const auto& [row, count] : failures_) std::printf("\n%d runs of %s failed\n", count, row.c_str());
    }

private:
    std::map<std::string, std::vector<double>> values_;
    std::map<std::string, int> failures_;
};

}  // namespace

int main(int argc, char** argv) {
    std::string floor;
    std::vector<std::string> helpers;
    std::vector<std::string> apps;
    int runs = 40;
    for (int index = 1; index + 1 < argc; index += 2) {
        const std::string option = argv[index];
        const std::string value = argv[index + 1];
        if (option == "--floor") floor = value;
        if (option == "--helper") helpers.push_back(value);
        if (option == "--app") apps.push_back(value);
        if (option == "--runs") runs = std::max(1, std::atoi(value.c_str()));
    }
    if (floor.empty() || (helpers.empty() && apps.empty())) {
        std::fprintf(stderr, "usage: startup_bench --floor <qt_floor> [--helper <quorvel-hook>]... [--app <quorvel>]... [--runs N]\n");
        return 2;
    }
    const std::string scratch =
        (std::filesystem::temp_directory_path() / ("startup-bench-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(scratch);
    const std::string picture = scratch + "/x.png";
    const std::map<std::string, std::optional<std::string>> offscreen = {{"QT_QPA_PLATFORM", "offscreen"},
                                                                        {"DISPLAY", std::nullopt},
                                                                        {"WAYLAND_DISPLAY", std::nullopt}};
    Samples samples;

    // The helper against sh, with the first app given serving the events.
    if (!helpers.empty()) {
        const std::string app = apps.empty() ? "" : apps.front();
        if (app.empty()) {
            std::fprintf(stderr, "the helper rows need an --app to post to\n");
            return 2;
        }
        const std::string home = scratch + "/serving";
        std::filesystem::create_directories(home + "/runtime");
        std::filesystem::permissions(home + "/runtime", std::filesystem::perms::owner_all);
        bench::App serving(app, home, home + "/runtime");
        const std::string payload = scratch + "/payload.json";
        {
            json::Json body = {{"hook_event_name", "UserPromptSubmit"},
                               {"session_id", "5f0c1d2e-3a4b-4c5d-8e9f-a0b1c2d3e4f5"},
                               {"cwd", "/home/user/work/quorvel"},
                               {"transcript_path", "/home/user/.claude/projects/quorvel/5f0c1d2e.jsonl"},
                               {"permission_mode", "default"},
                               {"prompt", "Tighten the onboarding copy for the empty states and run the tests 🧪"}};
            std::FILE* file = std::fopen(payload.c_str(), "w");
            std::fputs(json::dump(body).c_str(), file);
            std::fclose(file);
        }
        const std::map<std::string, std::optional<std::string>> agent = {{"HOME", home}, {"TERM_PROGRAM", "xterm"},
                                                                         {"CLAUDE_PROJECT_DIR", "/home/user/work/quorvel"}};
        for (int warm = 0; warm < 3; ++warm) {
            for (const std::string& helper : helpers) timedRun({helper}, payload, agent);
        }
        for (int run = 0; run < runs * 5; ++run) {
            samples.add("sh", timedRun({"/bin/sh", "-c", "exec /bin/true < " + payload}, "", agent));
            for (const std::string& helper : helpers) samples.add(helper, timedRun({helper}, payload, agent));
        }
        std::size_t spooled = 0;
        std::error_code error;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(serving.process().paths().spool(), error))
            ++spooled;
        std::printf("| helper, app running | median per event | against `sh -c 'exec /bin/true < payload'` |\n|---|---|---|\n");
        std::printf("| `sh -c 'exec /bin/true < payload'` | %.2f ms | 1 |\n", samples.median("sh"));
        for (const std::string& helper : helpers) {
            std::printf("| %s | %.2f ms | %.2f× |\n", helper.c_str(), samples.median(helper),
                        samples.median(helper) / samples.median("sh"));
        }
        std::printf("\n%d events per helper, %zu of them spooled instead of delivered\n\n", runs * 5, spooled);
    }

    // Start-up and render mode against the Qt floor, interleaved.
    if (!apps.empty()) {
        for (int run = 0; run < runs; ++run) {
            samples.add("floor", timedRun({floor}, "", offscreen));
            for (const std::string& app : apps) {
                samples.add(app + " render", timedRun({app, "--render", "device-done", picture}, "", offscreen));
                const std::string home = scratch + "/home-" + std::to_string(run);
                std::filesystem::create_directories(home);
                samples.add(app + " first", timedAppStart(app, home));
                samples.add(app + " later", timedAppStart(app, home));
                std::filesystem::remove_all(home);
            }
        }
        const double floorMedian = samples.median("floor");
        std::printf("| against the Qt floor | median | ratio |\n|---|---|---|\n");
        std::printf("| Qt floor (offscreen, one 972 × 1716 image painted white) | %.1f ms | 1 |\n", floorMedian);
        for (const std::string& app : apps) {
            const auto row = [&](const char* what, const std::string& key) {
                std::printf("| %s: %s | %.1f ms | %.2f× |\n", app.c_str(), what, samples.median(key),
                            samples.median(key) / floorMedian);
            };
            row("start to accepting, first start (fresh home)", app + " first");
            row("start to accepting, later start (helper installed)", app + " later");
            row("`--render device-done x.png`", app + " render");
        }
        std::printf("\n%d runs each\n", runs);
    }
    samples.printFailures();
    std::filesystem::remove_all(scratch);
    return 0;
}
