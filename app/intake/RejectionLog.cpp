#include "app/intake/RejectionLog.hpp"

#include <algorithm>
#include <chrono>

namespace quorvel {

RejectionLog::RejectionLog(asio::io_context& io, Logger logger, double intervalSeconds)
    : failures_(std::move(logger), LogLevel::error, intervalSeconds), interval_(intervalSeconds), timer_(io) {}

void RejectionLog::rejected(std::string_view kind, std::string_view text) {
    failures_.failed(kind, text, Instant::now());
    armTimer();
}

void RejectionLog::sayAll() { failures_.sayAllRepeats(Instant::now()); }

void RejectionLog::armTimer() {
    if (armed_) return;
    const std::optional<Instant> due = failures_.nextCountDue();
    if (!due) return;
    // At least a moment: the wall clock the counts go by may be a little behind this timer's.
    const double wait = std::clamp(due->secondsSince(Instant::now()), 0.1, interval_);
    armed_ = true;
    timer_.expires_after(std::chrono::duration_cast<asio::steady_timer::duration>(std::chrono::duration<double>(wait)));
    timer_.async_wait([this](const asio::error_code& error) {
        armed_ = false;
        if (error) return;
        failures_.sayDueRepeats(Instant::now());
        armTimer();
    });
}

}  // namespace quorvel
