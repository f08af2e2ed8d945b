#include "hook/Watchdog.hpp"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace quorvel {

void RunProgress::begin(const HookLog& log, std::string lostLine) {
    std::lock_guard lock(mutex_);
    inHand_ = InHand{log, std::move(lostLine)};
}

void RunProgress::settle() {
    std::lock_guard lock(mutex_);
    inHand_.reset();
}

void RunProgress::writeLostLine() {
    std::lock_guard lock(mutex_);
    if (!inHand_) return;
    inHand_->log.writeLogLine(inHand_->lostLine);
    inHand_.reset();
}

namespace {

extern "C" void endOnAlarm(int) { ::_exit(0); }

}  // namespace

void startWatchdog(const RunBudget& budget, std::shared_ptr<RunProgress> progress) {
    try {
        std::thread([ends = budget.watchdogEnds(), progress = std::move(progress)] {
            std::this_thread::sleep_until(ends);
            // The lock waits at most for the main flow to note one step; the log line itself is
            // written with O_NONBLOCK and never waits on a reader.
            if (progress) progress->writeLostLine();
            ::_exit(0);
        }).detach();
    } catch (const std::exception&) {
        // No thread to be had (a machine out of processes): the event must still go out, so
        // the timer signal ends the run instead of giving up before it starts.
        startAlarmWatchdog(std::chrono::duration<double>(budget.watchdogEnds() - RunBudget::Clock::now()).count());
    }
}

void startAlarmWatchdog(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0 || seconds > 3600) seconds = watchdogSeconds;
    struct sigaction action {};
    action.sa_handler = endOnAlarm;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);
    const auto whole = static_cast<long>(seconds);
    itimerval timer{};
    timer.it_value.tv_sec = whole;
    timer.it_value.tv_usec = static_cast<long>((seconds - static_cast<double>(whole)) * 1e6);
    ::setitimer(ITIMER_REAL, &timer, nullptr);
}

}  // namespace quorvel
