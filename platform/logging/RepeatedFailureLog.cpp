#include "platform/logging/RepeatedFailureLog.hpp"

#include <algorithm>
#include <cmath>

namespace quorvel {

RepeatedFailureLog::RepeatedFailureLog(Logger logger, LogLevel level, double intervalSeconds)
    : logger_(std::move(logger)), level_(level), interval_(intervalSeconds) {}

bool RepeatedFailureLog::due(Instant since, Instant now) const {
    const double elapsed = now.secondsSince(since);
    return !(elapsed >= 0 && elapsed < interval_);
}

bool RepeatedFailureLog::failed(std::string_view text, Instant now) {
    if (last_ && last_->text == text && !due(last_->at, now)) return false;
    logger_.log(level_, text);
    last_ = Logged{std::string(text), now};
    return true;
}

bool RepeatedFailureLog::failed(std::string_view kind, std::string_view text, Instant now) {
    auto found = kinds_.find(kind);
    if (found == kinds_.end()) {
        logger_.log(level_, text);
        kinds_.emplace(std::string(kind), Counted{now, std::string(), 0});
        return true;
    }
    Counted& counted = found->second;
    if (counted.unsaid == 0 && due(counted.lineAt, now)) {
        // Quiet for an interval: news again, said as itself.
        logger_.log(level_, text);
        counted.lineAt = now;
        return true;
    }
    counted.latest.assign(text);
    ++counted.unsaid;
    if (!due(counted.lineAt, now)) return false;
    sayCount(counted, now);
    return true;
}

void RepeatedFailureLog::sayCount(Counted& counted, Instant now) {
    // Whole seconds, so the line reads the same on every machine; a clock set back says 0.
    const double elapsed = std::max(0.0, now.secondsSince(counted.lineAt));
    const long long seconds = std::isfinite(elapsed) && elapsed < 1e15 ? std::llround(elapsed) : 0;
    const std::string times = counted.unsaid == 1 ? " time" : " times";
    logger_.log(level_, counted.latest + " (" + std::to_string(counted.unsaid) + times + " in the last " +
                            std::to_string(seconds) + " s)");
    counted.lineAt = now;
    counted.latest.clear();
    counted.unsaid = 0;
}

void RepeatedFailureLog::sayDueRepeats(Instant now) {
    for (auto& [kind, counted] : kinds_) {
        if (counted.unsaid > 0 && due(counted.lineAt, now)) sayCount(counted, now);
    }
}

void RepeatedFailureLog::sayAllRepeats(Instant now) {
    for (auto& [kind, counted] : kinds_) {
        if (counted.unsaid > 0) sayCount(counted, now);
    }
}

std::optional<Instant> RepeatedFailureLog::nextCountDue() const {
    std::optional<Instant> earliest;
    for (const auto& [kind, counted] : kinds_) {
        if (counted.unsaid == 0) continue;
        const Instant dueAt = counted.lineAt.adding(interval_);
        if (!earliest || dueAt.secondsSince(*earliest) < 0) earliest = dueAt;
    }
    return earliest;
}

}  // namespace quorvel
