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
#include "platform/json/JsonCoding.hpp"
#include "platform/time/Instant.hpp"

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
    /// Most bytes kept per character of a cut text (the prompt line, a message, a tool name,
    /// a reason...): a character may be any number of code points, and the bytes of every
    /// field must stay bounded. 32 keeps every emoji sequence whole (a family is 25 bytes).
    static constexpr std::size_t bytesPerCharacter = 32;
    /// Most bytes of the session identifier and of the event name. The agent's are a UUID and
    /// a word; an event carrying a longer one is not real and is refused whole: the mapping
    /// makes no event of it (`payloadRefusal` says why) and decoding fails.
    static constexpr std::size_t identifierByteLimit = 256;
    /// Most bytes of the working and the project folder (PATH_MAX). A longer one names no
    /// folder the agent can run in and is left out, rather than cut into another path.
    static constexpr std::size_t pathByteLimit = 4096;
    // With every field within these bounds, from the mapping and from decoding alike, the
    // largest event encodes to well under a megabyte: a spool file always reads back.

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
    /// Absent from an older helper. Only a UUID (`isEventIdentity`) is an identity: decoding
    /// leaves any other text out, so what the app remembers of identities stays small.
    std::optional<std::string> eventID;
    /// The helper's boot clock when it received the event (seconds since the machine started,
    /// suspend included) and the identity of that boot: two events of one boot are ordered by
    /// it whatever the wall clock did between them, for `receivedAt` moves with every step of
    /// it. Absent from an older helper. Both or neither: decoding keeps them only as a finite
    /// number of seconds, not negative, with a UUID.
    std::optional<double> bootSeconds;
    std::optional<std::string> bootID;

    /// An event with only the three required fields; the optional ones are set afterwards.
    static HookEvent make(HookEventName event, std::string sessionID, double receivedAt);

    /// The payload mapping: the agent's hook payload (a JSON object), the time it arrived and
    /// the helper's environment (the terminal as `terminalProgramName` names it from
    /// "TERM_PROGRAM" or a terminal's own variables, "CLAUDE_PROJECT_DIR"). Absent when the
    /// payload has no string "hook_event_name" or no non-empty string "session_id".
    /// The names and texts are cut as the field bounds above say; a payload whose identifier
    /// is longer than `identifierByteLimit` gives no event either.
    static std::optional<HookEvent> fromPayload(const json::Json& payload, Instant now,
                                                const Environment& environment);
    /// Why `fromPayload` gave no event for `payload`, as a line for the helper's log.
    static std::string payloadRefusal(const json::Json& payload);

    /// True for what the helper writes as `eventID`: a UUID, 8-4-4-4-12 hexadecimal digits
    /// (either case).
    static bool isEventIdentity(std::string_view text);

    HookEventKind kind() const { return event.kind(); }

    /// `receivedAt` as a point in time.
    Instant receivedInstant() const { return Instant::fromUnixSeconds(receivedAt); }

    /// Strict decode of the JSON form (keys equal the field names, `receivedAt` in Unix
    /// seconds). Throws json::JsonDecodeError, also for an identifier longer than
    /// `identifierByteLimit`. Texts longer than the bounds are cut as the mapping cuts them
    /// and an `eventID` that is no UUID is left out: the app takes events from any local
    /// process and spool files from disk, and keeps what it reads.
    static HookEvent decode(const json::Json& value);
    /// The JSON form, members in field order, absent fields left out. Throws
    /// json::JsonEncodeError when `receivedAt` is not finite.
    json::Json encode() const;

    bool operator==(const HookEvent&) const = default;
};

}  // namespace quorvel
