// The built helper against the built app, paused (SIGSTOP) as a hung or swamped app is: its
// listening socket still takes connections, so every post waits until the helper gives it up.
// Whatever the helper gives up on and however late its input ends, the event is spooled, or a
// log line says why not; nothing is lost without a word. A throw-away home on a private
// session bus (see the CTest entry).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "kit/engine/HookEvent.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "tests/support/AgentPayloads.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/FileText.hpp"
#include "tests/support/HomeEnvironment.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/TemporaryFolder.hpp"
#include "tests/support/WaitFor.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testing::failedCommandPayload;

std::size_t linesIn(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

class PausedAppHelperTest : public ::testing::Test {
protected:
    testing::TemporaryFolder home;
    testing::RuntimeFolder runtime;
    testing::AppProcess app{QUORVEL_APP, home.path(), runtime.path()};

    QuorvelPaths paths() const { return QuorvelPaths(home.path()); }

    void SetUp() override {
        // The helper may end before its input is all written.
        ::signal(SIGPIPE, SIG_IGN);
        ASSERT_TRUE(app.startServing()) << app.logText();
        ASSERT_TRUE(app.pause());
    }

    void TearDown() override {
        app.resume();
        app.stop();
    }

    /// How the helper's input went: when its end was written, counted from the helper's start.
    struct SlowRun {
        double inputEndedAfter = 0;
        int exitStatus = -1;
    };

    /// Runs the helper with `payload` on a pipe: its first byte at once, the rest and the end
    /// of input `endsAfter` after the start, as a slow writer on a busy machine hands it over.
    /// The helper is the built one, or $QUORVEL_LATE_INPUT_HOOK when set.
    SlowRun runWithInputEndingAfter(const std::string& payload, std::chrono::milliseconds endsAfter) {
        auto changes = testing::homeEnvironment(home.path(), runtime.path());
        // A post the paused app took is never answered, so the helper never starts a copy; were
        // it to, the copy must not be the user's.
        changes["QUORVEL_APP_EXECUTABLE"] = "/bin/true";
        const char* chosen = std::getenv("QUORVEL_LATE_INPUT_HOOK");
        const std::string program = chosen && *chosen ? chosen : QUORVEL_HOOK;
        const auto started = Clock::now();
        testing::RunningProgram helper = testing::ProgramLaunch(program).environment(changes).inputFromPipe().start();
        SlowRun run;
        if (!helper.started()) return run;
        std::thread writer([&, input = helper.takeInput()] {
            std::string_view remaining = payload;
            bool first = true;
            while (!remaining.empty()) {
                if (!first) std::this_thread::sleep_until(started + endsAfter);
                const std::size_t size = first ? 1 : remaining.size();
                const ssize_t count = ::write(input, remaining.data(), size);
                if (count <= 0) break;
                remaining.remove_prefix(static_cast<std::size_t>(count));
                first = false;
            }
            std::this_thread::sleep_until(started + endsAfter);
            run.inputEndedAfter = std::chrono::duration<double>(Clock::now() - started).count();
            ::close(input);
        });
        const testing::ProgramEnd end = *helper.waitForEnd();
        writer.join();
        run.exitStatus = end.exitedNormally ? end.exitStatus : -1;
        return run;
    }

    /// Whether the app is still stopped: a figure taken with an app that something outside the
    /// test resumed or ended would be no figure of a paused app.
    bool appStillPaused() const {
        auto stat = files::readFile("/proc/" + std::to_string(app.pid()) + "/stat");
        if (!stat) return false;
        const std::size_t nameEnd = stat->rfind(") ");
        return nameEnd != std::string::npos && nameEnd + 2 < stat->size() && (*stat)[nameEnd + 2] == 'T';
    }

    /// The commands of the events waiting in the spool.
    std::vector<std::string> spooledCommands() const {
        std::vector<std::string> commands;
        std::error_code error;
        for (fs::directory_iterator entry(paths().spool(), error), end; !error && entry != end; entry.increment(error)) {
            auto text = files::readFile(entry->path().string());
            if (!text) continue;
            try {
                commands.push_back(HookEvent::decode(json::parse(*text)).command.value_or(""));
            } catch (const std::exception&) {
            }
        }
        return commands;
    }

    std::string hookLog() const { return testing::fileText(paths().hookLog()); }
};

// bench/late-input.sh sets more runs per step, and an older helper for its figures before.
int runsPerStep() {
    const char* chosen = std::getenv("QUORVEL_LATE_INPUT_RUNS");
    const int runs = chosen ? std::atoi(chosen) : 1;
    return std::clamp(runs, 1, 100);
}

TEST_F(PausedAppHelperTest, EveryEventWhoseInputEndsBeforeTheDeadlineIsSpooledAndTheRestLogged) {
    // Ends of input from at once to 0.9 s after the start, all before the 1 s the helper waits
    // for them, then one well past it.
    std::vector<int> endsAfterMs;
    for (int step = 0; step <= 9; ++step) endsAfterMs.push_back(step * 100);
    endsAfterMs.push_back(1300);

    int number = 0;
    for (const int endsAfter : endsAfterMs) {
        int kept = 0;
        int givenUp = 0;
        for (int round = 0; round < runsPerStep(); ++round) {
            SCOPED_TRACE("input ending after " + std::to_string(endsAfter) + " ms, round " + std::to_string(round));
            ASSERT_TRUE(appStillPaused());
            const std::string logBefore = hookLog();
            const std::size_t spooledBefore = spooledCommands().size();
            ++number;
            const SlowRun run =
                runWithInputEndingAfter(failedCommandPayload(number, "slow-input"), std::chrono::milliseconds(endsAfter));
            EXPECT_EQ(run.exitStatus, 0);
            ASSERT_TRUE(appStillPaused());
            const std::string logAfter = hookLog();
            const std::string written = logAfter.substr(std::min(logBefore.size(), logAfter.size()));
            const std::vector<std::string> commands = spooledCommands();
            const bool spooled = std::count(commands.begin(), commands.end(), std::to_string(number)) == 1;
            kept += spooled;
            givenUp += !spooled && written.find("gave up") != std::string::npos;

            // One line either way: why the paused app didn't take it, or that the input was
            // given up on.
            EXPECT_EQ(linesIn(written), 1u) << written;
            if (endsAfter < 1000) {
                // A slow writer on a loaded machine may miss its time; the bound it kept counts.
                if (run.inputEndedAfter < 0.95) {
                    EXPECT_TRUE(spooled) << "input ended after " << run.inputEndedAfter << " s\n" << written;
                    EXPECT_NE(written.find(" app not answering for PostToolUseFailure: "), std::string::npos) << written;
                }
            } else {
                EXPECT_FALSE(spooled);
                EXPECT_EQ(commands.size(), spooledBefore);
                EXPECT_NE(written.find(" stdin was still open after "), std::string::npos) << written;
            }
            if (!spooled) {
                EXPECT_NE(written.find("gave up"), std::string::npos) << written;
            }
        }
        std::printf("figure: input ending %.1f s after the start: %d of %d kept, %d given up with a line, %d lost without one\n",
                    endsAfter / 1000.0, kept, runsPerStep(), givenUp, runsPerStep() - kept - givenUp);
    }
}

}  // namespace
}  // namespace quorvel
