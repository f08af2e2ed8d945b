#include "platform/RepeatedFailureLog.hpp"

namespace quorvel {

RepeatedFailureLog::RepeatedFailureLog(Logger logger, LogLevel level) : logger_(std::move(logger)), level_(level) {}

bool RepeatedFailureLog::failed(std::string_view text, Instant now) {
    if (last_ && last_->text == text) {
        const double since = now.secondsSince(last_->at);
        if (since >= 0 && since < repeatAfter) return false;
    }
    logger_.log(level_, text);
    last_ = Logged{std::string(text), now};
    return true;
}

}  // namespace quorvel
