#include "hook/Watchdog.hpp"

#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
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

bool RunProgress::writeLostLine() {
    std::lock_guard lock(mutex_);
    if (!inHand_) return false;
    inHand_->log.writeLogLine(inHand_->lostLine);
    inHand_.reset();
    return true;
}

namespace {

extern "C" void endOnAlarm(int) { ::_exit(0); }

}  // namespace

void startWatchdog(const RunBudget& budget, std::shared_ptr<RunProgress> progress) {
    try {
        std::thread([budget, progress = std::move(progress)] {
            std::this_thread::sleep_until(budget.lastWordAt());
            // From here the timer ends the run on time whatever the line's write does (a log
            // whose lock another writer holds, a stalled disk): the line is given up, not the
            // time. A run that held something ends once its line says so, so the line is true.
            const double left = std::chrono::duration<double>(budget.watchdogEnds() - RunBudget::Clock::now()).count();
            if (left <= 0) ::_exit(0);  // woken late on a busy machine: no time left for a line
            startAlarmWatchdog(left);
            if (progress && progress->writeLostLine()) ::_exit(0);
            std::this_thread::sleep_until(budget.watchdogEnds());
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
    // At least a microsecond: a zero timer would be no timer at all.
    timer.it_value.tv_usec = std::max(1L, static_cast<long>((seconds - static_cast<double>(whole)) * 1e6));
    ::setitimer(ITIMER_REAL, &timer, nullptr);
}

}  // namespace quorvel
