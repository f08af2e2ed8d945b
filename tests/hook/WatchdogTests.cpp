#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "hook/HookMain.hpp"

namespace quorvel {
namespace {

using namespace std::chrono_literals;

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

}  // namespace
}  // namespace quorvel
