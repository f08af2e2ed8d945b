#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "hook/HookMain.hpp"
#include "tests/hook/TempFolder.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;

/// Waits up to 3 s for `child` to end by itself; kills it after that. Its status.
int awaitEnd(pid_t child, bool& endedByItself) {
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 300 && ended == 0; ++i) {
        ended = ::waitpid(child, &status, WNOHANG);
        if (ended == 0) std::this_thread::sleep_for(10ms);
    }
    endedByItself = ended == child;
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    return status;
}

// The timer watchdog stands in when no thread can be made: it must end a run that is stuck
// in a blocking read with status 0, as the thread does.
TEST(AlarmWatchdog, EndsARunBlockedOnItsInputWithStatusZero) {
    int input[2];
    ASSERT_EQ(::pipe(input), 0);
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGTERM, SIG_IGN);
        startAlarmWatchdog(0.2);
        char byte;
        // The write end stays open in the parent: this read never returns by itself.
        [[maybe_unused]] const ssize_t ignored = ::read(input[0], &byte, 1);
        ::_exit(3);
    }

    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 300 && ended == 0; ++i) {
        ended = ::waitpid(child, &status, WNOHANG);
        if (ended == 0) std::this_thread::sleep_for(10ms);
    }
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    ::close(input[0]);
    ::close(input[1]);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    ASSERT_EQ(ended, child) << "the watchdog didn't end the run";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_GE(seconds, 0.19);
}

// The watchdog's thread names what it cuts off: an event still in hand leaves one line, and a
// run that already kept its event (and may be cut while starting the app) leaves none.
TEST(ThreadWatchdog, LogsTheEventItCutsOffAndNothingOnceItIsKept) {
    const std::string lostLine = "watchdog ended the run before Stop was posted or spooled";
    for (const bool kept : {false, true}) {
        testing::TempFolder folder;
        const HookLog log{folder / "hook.log"};
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            auto progress = std::make_shared<RunProgress>();
            progress->begin(log, lostLine);
            if (kept) progress->settle();
            // A run that began 1.3 s ago: 0.2 s are left of it.
            startWatchdog(RunBudget{RunBudget::Clock::now() - 1300ms}, progress);
            std::this_thread::sleep_for(10s);
            ::_exit(3);
        }
        bool endedByItself = false;
        const int status = awaitEnd(child, endedByItself);
        ASSERT_TRUE(endedByItself) << "kept " << kept;
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        const std::string written = testing::TempFolder::read(log.url);
        if (kept) {
            EXPECT_EQ(written, "");
        } else {
            EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 1) << written;
            EXPECT_NE(written.find(" " + lostLine + "\n"), std::string::npos) << written;
        }
    }
}

}  // namespace
}  // namespace quorvel
