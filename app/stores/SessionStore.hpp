#pragma once
// The sessions in progress outlive a restart in one JSON file in the application-support
// folder, beside the FINISHED list: a run that spans a quit, a crash or an update still ends
// with its title and duration, keeps the machine awake meanwhile and can give its long-run
// alert. The identities of the events handled lately are kept with them, so an event that
// comes again after a restart (a spool file the app couldn't remove) is not applied twice.
// Written whole and atomically (0600); read once at start: a file that can't be read is
// ignored with one log line and written over by the next save, and its sessions are taken
// back only when recent. It never keeps the app from starting. Main thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/stores/RecentEventIDs.hpp"
#include "kit/engine/Session.hpp"
#include "kit/engine/StateMachine.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/logging/RepeatedFailureLog.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class SessionStore {
public:
    static constexpr const char* fileName = "sessions.json";
    /// A full table (10,000 sessions) stays well below this; a bigger file is not one of ours.
    static constexpr std::size_t maxFileBytes = 32 * 1024 * 1024;
    /// Beyond this size, the memory a load took is handed back to the system afterwards.
    static constexpr std::size_t largeFileBytes = 1024 * 1024;
    /// The highest display number read back: far beyond any count of sessions, and exact
    /// wherever JSON numbers are doubles. A counter beyond it would soon wrap round to
    /// negative numbers.
    static constexpr std::int64_t maxNumber = std::int64_t(1) << 53;
    /// The longest event identity read back (a UUID is 36 bytes).
    static constexpr std::size_t maxEventIDBytes = 64;

    /// What a save holds (the file's JSON form: keys equal the field names, time points in
    /// seconds since 2001-01-01 UTC).
    struct Saved {
        /// When it was written.
        Instant savedAt;
        /// The machine's counter then, so display numbers are not handed out twice.
        std::int64_t nextNumber = 1;
        std::vector<Session> sessions;
        /// The identities of the events handled lately, oldest first (absent from files of
        /// older builds: none).
        std::vector<std::string> handledEventIDs;

        /// Throws when `value` is not a save at all. Within one, what is out of range costs
        /// only itself, with its reason in `dropped`: a counter outside 1...`maxNumber` (the
        /// sessions' own numbers then raise it), a session that doesn't decode or whose number
        /// is outside that range, an identity that isn't a short string; beyond the
        /// identities' bound only the newest are kept.
        static Saved decode(const json::Json& value, std::vector<std::string>* dropped = nullptr);
        json::Json encode() const;
        bool operator==(const Saved&) const = default;
    };

    /// The store in `folder` (the application-support folder).
    explicit SessionStore(std::string folder);

    /// The saved sessions whose last event is younger than `maxAgeSeconds` at `now`, at most
    /// `maxSessions` of them (the most recently active; one log line says how many were left
    /// out), with the saved identities; absent when there is no file or it can't be read
    /// (logged). A file saved `maxAgeSeconds` or longer before `now` gives its identities only
    /// (no sessions, counter 1), with one log line.
    std::optional<Saved> load(Instant now, double maxAgeSeconds, std::size_t maxSessions);

    /// Writes the machine's sessions and counter and the identities in `handledEvents`
    /// atomically (0600), creating the folder when needed; never through a folder that is a
    /// link. Never larger than `maxFileBytes`, which a load reads: where all the sessions
    /// would not fit, the least recently active are left out, with one log line. False when
    /// it couldn't: logged, and while the same failure comes back on later saves (a full disk
    /// tried again), logged again only once an hour.
    bool save(const StateMachine& machine, const RecentEventIDs& handledEvents, Instant now);

private:
    /// `document` (a save whose list of sessions is empty, `emptyBytes` long as JSON) with as
    /// many of the machine's sessions as fit within `maxFileBytes`, the most recently active
    /// first; logs how many were left out.
    std::string fittedToReadLimit(const StateMachine& machine, json::Json document, std::size_t emptyBytes);

    /// False, with `problem` logged as a failed save.
    bool failed(const std::string& problem, Instant now);

    std::string folder_;
    Logger logger_;
    RepeatedFailureLog saveFailures_{logger_};
};

}  // namespace quorvel
