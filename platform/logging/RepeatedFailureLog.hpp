#pragma once
// A failure that may come back again and again, logged without filling the log. Two ways:
//
// - `failed(text)`: one kind of failure that may come back on every tick (a sync without an
//   account, a relay that refuses): logged when its text differs from the one logged last,
//   and once per interval (an hour by default) while it stays the same. A success in between
//   makes the next failure news again.
// - `failed(kind, text)`: failures that may come in floods (requests the event server turns
//   away, copies of an event), each of a named kind: the first of a kind is logged as its
//   text; the ones after it within the interval are only counted, and said as one line, the
//   latest text with the count ("<text> (12 times in the last 60 s)"), once the interval has
//   passed: by the next failure of that kind, or by `sayDueRepeats` from the caller's timer.
//   So a kind costs at most one line per interval however often it comes.
//
// A clock set back counts as the interval having passed. Not thread-safe: used by one thread
// (the main thread, or a service's own).
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/logging/Logger.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class RepeatedFailureLog {
public:
    /// Seconds after which the same text is logged again, unless the maker says otherwise.
    static constexpr double repeatAfter = 3600;

    /// `intervalSeconds`: the least time between two lines of one kind (or of one text).
    explicit RepeatedFailureLog(Logger logger, LogLevel level = LogLevel::error, double intervalSeconds = repeatAfter);

    /// Logs `text` at `now` unless the same text was logged less than an interval before. True
    /// when it was logged.
    bool failed(std::string_view text, Instant now);
    /// The failure is over.
    void succeeded() { last_.reset(); }

    /// One failure of `kind` at `now`, described by `text`: logged when it is the first of its
    /// kind in an interval, else counted. True when a line was logged.
    bool failed(std::string_view kind, std::string_view text, Instant now);
    /// Says the count of every kind whose interval has passed at `now`.
    void sayDueRepeats(Instant now);
    /// Says every count now, due or not (before the caller stops).
    void sayAllRepeats(Instant now);
    /// When the earliest count not said yet falls due (for the caller's timer); none when
    /// nothing waits to be said.
    std::optional<Instant> nextCountDue() const;

private:
    struct Logged {
        std::string text;
        Instant at;
    };
    struct Counted {
        Instant lineAt;              ///< when the kind's last line was logged
        std::string latest;          ///< the text of the latest failure counted since
        std::size_t unsaid = 0;      ///< failures since that line
    };

    bool due(Instant since, Instant now) const;
    void sayCount(Counted& counted, Instant now);

    Logger logger_;
    LogLevel level_;
    double interval_;
    std::optional<Logged> last_;
    std::map<std::string, Counted, std::less<>> kinds_;
};

}  // namespace quorvel
