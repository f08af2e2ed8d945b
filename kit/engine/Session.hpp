#pragma once
// One agent session as the state machine keeps it.
#include <cstdint>
#include <optional>
#include <string>

#include "kit/engine/RecordFields.hpp"
#include "kit/engine/Run.hpp"
#include "kit/engine/SessionState.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct Session {
    /// A failed shell command that no later event has cleared.
    struct ShellFailure {
        std::string command;
        std::optional<std::int64_t> exitCode;
        /// Receive time of the failure event.
        Instant at;

        static ShellFailure decode(const json::Json& value);
        json::Json encode() const;
        bool operator==(const ShellFailure&) const = default;
    };

    /// The agent's session identifier (the key in the state machine's table).
    std::string id;
    /// Display number, handed out when the session is first seen.
    std::int64_t number = 0;
    std::optional<std::string> termProgram;
    std::optional<std::string> cwd;
    SessionState state = SessionState::idle();
    /// The current or last run.
    std::optional<Run> run;
    /// Receive time of the last hook event for this session.
    Instant lastEventAt;
    /// Set while the agent has stopped but background tasks still run.
    std::optional<Instant> waitingOnBackgroundSince;
    std::optional<ShellFailure> unrecoveredFailure;

    /// The last path component of `cwd` (a trailing "/" is no component); absent without a
    /// `cwd`, and when that component is empty or "/".
    std::optional<std::string> project() const;

    /// Whether `a` goes before `b` when sessions are taken most recently active first; ties
    /// go by identifier, so the order is the same whatever order the sessions came in.
    static bool moreRecentlyActive(const Session& a, const Session& b) {
        return a.lastEventAt != b.lastEventAt ? a.lastEventAt > b.lastEventAt : a.id < b.id;
    }

    /// Strict decode of the JSON form kept across a restart (`sessionFields`): keys equal the
    /// field names, time points in seconds since 2001-01-01 UTC, absent optionals left out.
    /// Throws json::JsonDecodeError.
    static Session decode(const json::Json& value);
    /// Throws json::JsonEncodeError for a time point that is not finite.
    json::Json encode() const;

    bool operator==(const Session&) const = default;
};

/// Every field of a shell failure as it is saved, in the order of its keys.
inline constexpr auto shellFailureFields = std::tuple{
    recordField("command", &Session::ShellFailure::command),
    recordField("exitCode", &Session::ShellFailure::exitCode),
    recordField("at", &Session::ShellFailure::at),
};
static_assert(declaresEveryMember<Session::ShellFailure>(shellFailureFields),
              "every member of Session::ShellFailure has its line in shellFailureFields");

/// Every field of a session as it is saved across a restart, in the order of its keys. A field
/// the sessions files already stored lack is optional.
inline constexpr auto sessionFields = std::tuple{
    recordField("id", &Session::id),
    recordField("number", &Session::number),
    recordField("termProgram", &Session::termProgram),
    recordField("cwd", &Session::cwd),
    recordField("state", &Session::state),
    recordField("run", &Session::run),
    recordField("lastEventAt", &Session::lastEventAt),
    recordField("waitingOnBackgroundSince", &Session::waitingOnBackgroundSince),
    recordField("unrecoveredFailure", &Session::unrecoveredFailure),
};
static_assert(declaresEveryMember<Session>(sessionFields), "every member of Session has its line in sessionFields");

}  // namespace quorvel
