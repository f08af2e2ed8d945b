#pragma once
// The sessions in progress outlive a restart in one JSON file in the application-support
// folder, beside the FINISHED list: a run that spans a quit, a crash or an update still ends
// with its title and duration, keeps the machine awake meanwhile and can give its long-run
// alert. Written whole and atomically (0600); read once at start, and only when recent: a
// file older than the stale-session time, or one that can't be read, is ignored with one log
// line and written over by the next save. It never keeps the app from starting. Main thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kit/engine/Session.hpp"
#include "kit/engine/StateMachine.hpp"
#include "platform/Instant.hpp"
#include "platform/Logger.hpp"

namespace quorvel {

class SessionStore {
public:
    static constexpr const char* fileName = "sessions.json";
    /// A full table (10,000 sessions) stays well below this; a bigger file is not one of ours.
    static constexpr std::size_t maxFileBytes = 32 * 1024 * 1024;

    /// What a save holds (the file's JSON form: keys equal the field names, time points in
    /// seconds since 2001-01-01 UTC).
    struct Saved {
        /// When it was written.
        Instant savedAt;
        /// The machine's counter then, so display numbers are not handed out twice.
        std::int64_t nextNumber = 1;
        std::vector<Session> sessions;

        static Saved decode(const json::Json& value);
        json::Json encode() const;
        bool operator==(const Saved&) const = default;
    };

    /// The store in `folder` (the application-support folder).
    explicit SessionStore(std::string folder);

    /// The saved sessions whose last event is younger than `maxAgeSeconds` at `now`; absent
    /// when there is no file. A file that can't be read, or that was saved `maxAgeSeconds` or
    /// longer before `now`, gives absent with one log line.
    std::optional<Saved> load(Instant now, double maxAgeSeconds);

    /// Writes the machine's sessions and counter atomically (0600), creating the folder when
    /// needed; never through a folder that is a link. False, logged, when it couldn't.
    bool save(const StateMachine& machine, Instant now);

private:
    std::string folder_;
    Logger logger_;
};

}  // namespace quorvel
