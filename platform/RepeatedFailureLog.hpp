#pragma once
// One kind of failure that may come back on every tick (a sync without an account, a relay
// that refuses): logged when its text differs from the one logged last, and once an hour while
// it stays the same, so a lasting failure is in the journal without filling it. A success in
// between makes the next failure news again.
//
// Not thread-safe: used by one thread (the main thread).
#include <optional>
#include <string>
#include <string_view>

#include "platform/Instant.hpp"
#include "platform/Logger.hpp"

namespace quorvel {

class RepeatedFailureLog {
public:
    /// Seconds after which the same text is logged again.
    static constexpr double repeatAfter = 3600;

    explicit RepeatedFailureLog(Logger logger, LogLevel level = LogLevel::error);

    /// Logs `text` at `now` unless the same text was logged less than an hour before. True
    /// when it was logged. A clock set back counts as the hour having passed.
    bool failed(std::string_view text, Instant now);
    /// The failure is over.
    void succeeded() { last_.reset(); }

private:
    struct Logged {
        std::string text;
        Instant at;
    };

    Logger logger_;
    LogLevel level_;
    std::optional<Logged> last_;
};

}  // namespace quorvel
