#pragma once
// One invocation of one of the agent's hooks, reduced to the facts the session engine needs.
// The helper builds it from the agent's payload and writes it as JSON; the app reads the same
// JSON back, so both programs share one format by construction.
#include <cstdint>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "kit/engine/HookEventName.hpp"
#include "platform/Instant.hpp"
#include "platform/JsonCoding.hpp"

namespace quorvel {

struct HookEvent {
    /// Variable name to value, as the helper's process sees its environment.
    using Environment = std::map<std::string, std::string, std::less<>>;

    /// A prompt that starts with this is a task notification, not something the user typed.
    static constexpr std::string_view taskNotificationPrefix = "<task-notification>";
    /// Most characters kept of the prompt's first line, the error line and the command.
    static constexpr std::size_t shortTextLimit = 200;
    /// Most characters kept of the last assistant message and a notification's message.
    static constexpr std::size_t longTextLimit = 500;

    /// The name as the agent sent it, with its kind (found once, when the name is set).
    HookEventName event;
    std::string sessionID;
    /// Seconds since 1970-01-01 00:00 UTC, with fraction.
    double receivedAt = 0;
    std::optional<std::string> termProgram;
    std::optional<std::string> projectDir;
    std::optional<std::string> cwd;
    std::optional<std::string> promptFirstLine;
    std::optional<bool> isTaskNotification;
    std::optional<std::int64_t> backgroundTaskCount;
    std::optional<std::string> lastAssistantMessage;
    std::optional<std::string> notificationType;
    std::optional<std::string> message;
    std::optional<std::string> error;
    std::optional<bool> isInterrupt;
    std::optional<std::int64_t> durationMs;
    std::optional<std::string> toolName;
    std::optional<std::string> command;
    std::optional<bool> runInBackground;
    std::optional<std::string> reason;
    std::optional<std::string> source;
    /// Made at random by the helper, once per event, and carried by both roads the event may
    /// take (the post and the spool file), so an event that arrives both ways is applied once.
    /// Absent from an older helper.
    std::optional<std::string> eventID;

    /// An event with only the three required fields; the optional ones are set afterwards.
    static HookEvent make(HookEventName event, std::string sessionID, double receivedAt);

    /// The payload mapping: the agent's hook payload (a JSON object), the time it arrived and
    /// the helper's environment (the terminal as `terminalProgramName` names it from
    /// "TERM_PROGRAM" or a terminal's own variables, "CLAUDE_PROJECT_DIR"). Absent when the
    /// payload has no string "hook_event_name" or no non-empty string "session_id".
    static std::optional<HookEvent> fromPayload(const json::Json& payload, Instant now,
                                                const Environment& environment);

    HookEventKind kind() const { return event.kind(); }

    /// `receivedAt` as a point in time.
    Instant receivedInstant() const { return Instant::fromUnixSeconds(receivedAt); }

    /// Strict decode of the JSON form (keys equal the field names, `receivedAt` in Unix
    /// seconds). Throws json::JsonDecodeError.
    static HookEvent decode(const json::Json& value);
    /// The JSON form, members in field order, absent fields left out. Throws
    /// json::JsonEncodeError when `receivedAt` is not finite.
    json::Json encode() const;

    bool operator==(const HookEvent&) const = default;
};

}  // namespace quorvel
