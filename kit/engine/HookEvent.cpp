#include "kit/engine/HookEvent.hpp"

#include <cctype>
#include <cmath>
#include <limits>

#include "kit/engine/TerminalProgram.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

const json::Json* member(const json::Json& object, const char* key) {
    auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> stringMember(const json::Json& object, const char* key) {
    const json::Json* value = member(object, key);
    if (value == nullptr || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<bool> boolMember(const json::Json& object, const char* key) {
    const json::Json* value = member(object, key);
    if (value == nullptr || !value->is_boolean()) return std::nullopt;
    return value->get<bool>();
}

std::optional<std::string> cut(const std::optional<std::string>& text, std::size_t characters) {
    if (!text) return std::nullopt;
    return text::prefixCharacters(*text, characters, characters * HookEvent::bytesPerCharacter);
}

std::optional<std::string> firstNonEmptyLine(std::string_view text) {
    for (std::string& line : text::splitLines(text)) {
        if (!line.empty()) return std::move(line);
    }
    return std::nullopt;
}

// Any JSON number, fraction dropped toward zero. A value that does not fit a signed 64-bit
// integer (or is not finite) is absent rather than an undefined conversion.
std::optional<std::int64_t> wholeMilliseconds(const json::Json& value) {
    if (value.is_number_unsigned()) {
        auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_integer()) return value.get<std::int64_t>();
    if (!value.is_number_float()) return std::nullopt;
    double truncated = std::trunc(value.get<double>());
    // 2^63 is exactly representable; every double below it and at or above -2^63 fits.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(truncated) || truncated >= limit || truncated < -limit) return std::nullopt;
    return static_cast<std::int64_t>(truncated);
}

std::optional<std::string> realPath(std::optional<std::string> path) {
    if (path && path->size() > HookEvent::pathByteLimit) return std::nullopt;
    return path;
}

// The bounds of every field but the two identifiers, which refuse the event instead. Cutting
// again what was cut once changes nothing, so an event read back equals the event written.
void keepWithinBounds(HookEvent& event) {
    event.termProgram = cut(event.termProgram, HookEvent::shortTextLimit);
    event.projectDir = realPath(std::move(event.projectDir));
    event.cwd = realPath(std::move(event.cwd));
    event.promptFirstLine = cut(event.promptFirstLine, HookEvent::shortTextLimit);
    event.lastAssistantMessage = cut(event.lastAssistantMessage, HookEvent::longTextLimit);
    event.notificationType = cut(event.notificationType, HookEvent::shortTextLimit);
    event.message = cut(event.message, HookEvent::longTextLimit);
    event.error = cut(event.error, HookEvent::shortTextLimit);
    event.toolName = cut(event.toolName, HookEvent::shortTextLimit);
    event.command = cut(event.command, HookEvent::shortTextLimit);
    event.reason = cut(event.reason, HookEvent::shortTextLimit);
    event.source = cut(event.source, HookEvent::shortTextLimit);
    if (event.eventID && !HookEvent::isEventIdentity(*event.eventID)) event.eventID.reset();
    const bool bootStamped = event.bootSeconds && std::isfinite(*event.bootSeconds) && *event.bootSeconds >= 0 &&
                             event.bootID && HookEvent::isEventIdentity(*event.bootID);
    if (!bootStamped) {
        event.bootSeconds.reset();
        event.bootID.reset();
    }
}

// The member of `payload` named `key` when it is a string too long to be an identifier.
std::optional<std::size_t> overlongIdentifier(const json::Json& payload, const char* key) {
    const json::Json* value = member(payload, key);
    if (value == nullptr || !value->is_string()) return std::nullopt;
    const std::size_t bytes = value->get_ref<const std::string&>().size();
    if (bytes <= HookEvent::identifierByteLimit) return std::nullopt;
    return bytes;
}

std::string requireIdentifier(const json::Json& object, const char* key) {
    std::string identifier = json::requireString(object, key);
    if (identifier.size() > HookEvent::identifierByteLimit) {
        throw json::JsonDecodeError(std::string(key) + " is too long to be real (" + std::to_string(identifier.size()) +
                                    " bytes)");
    }
    return identifier;
}

}  // namespace

bool HookEvent::isEventIdentity(std::string_view text) {
    if (text.size() != 36) return false;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char character = text[index];
        const bool dash = index == 8 || index == 13 || index == 18 || index == 23;
        if (dash ? character != '-' : !std::isxdigit(static_cast<unsigned char>(character))) return false;
    }
    return true;
}

std::string HookEvent::payloadRefusal(const json::Json& payload) {
    if (payload.is_object()) {
        for (const char* key : {"hook_event_name", "session_id"}) {
            if (auto bytes = overlongIdentifier(payload, key)) {
                return "payload's " + std::string(key) + " was too long to be real (" + std::to_string(*bytes) + " bytes)";
            }
        }
    }
    return "payload had no session_id or hook_event_name";
}

HookEvent HookEvent::make(HookEventName event, std::string sessionID, double receivedAt) {
    HookEvent result;
    result.event = std::move(event);
    result.sessionID = std::move(sessionID);
    result.receivedAt = receivedAt;
    return result;
}

std::optional<HookEvent> HookEvent::fromPayload(const json::Json& payload, Instant now,
                                                const Environment& environment) {
    if (!payload.is_object()) return std::nullopt;
    auto eventName = stringMember(payload, "hook_event_name");
    if (!eventName) return std::nullopt;
    auto session = stringMember(payload, "session_id");
    if (!session || session->empty()) return std::nullopt;
    if (overlongIdentifier(payload, "hook_event_name") || overlongIdentifier(payload, "session_id")) return std::nullopt;

    HookEvent event = make(std::move(*eventName), std::move(*session), now.unixSeconds());

    event.termProgram = terminalProgramName(environment);
    if (auto found = environment.find("CLAUDE_PROJECT_DIR"); found != environment.end()) {
        event.projectDir = found->second;
    }
    event.cwd = stringMember(payload, "cwd");

    if (auto prompt = stringMember(payload, "prompt")) {
        std::string trimmed = text::trimmingWhitespaceAndNewlines(*prompt);
        if (trimmed.starts_with(taskNotificationPrefix)) {
            event.isTaskNotification = true;
        } else {
            event.isTaskNotification = false;
            event.promptFirstLine =
                text::prefixCharacters(firstNonEmptyLine(trimmed).value_or(std::string()), shortTextLimit);
        }
    }

    if (const json::Json* tasks = member(payload, "background_tasks"); tasks && tasks->is_array()) {
        event.backgroundTaskCount = static_cast<std::int64_t>(tasks->size());
    }
    event.lastAssistantMessage = cut(stringMember(payload, "last_assistant_message"), longTextLimit);
    event.notificationType = stringMember(payload, "notification_type");
    event.message = cut(stringMember(payload, "message"), longTextLimit);

    if (auto error = stringMember(payload, "error")) {
        std::string line = firstNonEmptyLine(*error).value_or(*error);
        event.error = text::prefixCharacters(line, shortTextLimit);
    }

    event.isInterrupt = boolMember(payload, "is_interrupt");
    if (const json::Json* duration = member(payload, "duration_ms")) {
        event.durationMs = wholeMilliseconds(*duration);
    }
    event.toolName = stringMember(payload, "tool_name");

    if (const json::Json* input = member(payload, "tool_input"); input && input->is_object()) {
        event.command = cut(stringMember(*input, "command"), shortTextLimit);
        event.runInBackground = boolMember(*input, "run_in_background");
    }

    event.reason = stringMember(payload, "reason");
    event.source = stringMember(payload, "source");
    keepWithinBounds(event);
    return event;
}

HookEvent HookEvent::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "HookEvent");
    HookEvent event = make(requireIdentifier(object, "event"), requireIdentifier(object, "sessionID"),
                           json::requireDouble(object, "receivedAt"));
    event.termProgram = json::optionalString(object, "termProgram");
    event.projectDir = json::optionalString(object, "projectDir");
    event.cwd = json::optionalString(object, "cwd");
    event.promptFirstLine = json::optionalString(object, "promptFirstLine");
    event.isTaskNotification = json::optionalBool(object, "isTaskNotification");
    event.backgroundTaskCount = json::optionalInt(object, "backgroundTaskCount");
    event.lastAssistantMessage = json::optionalString(object, "lastAssistantMessage");
    event.notificationType = json::optionalString(object, "notificationType");
    event.message = json::optionalString(object, "message");
    event.error = json::optionalString(object, "error");
    event.isInterrupt = json::optionalBool(object, "isInterrupt");
    event.durationMs = json::optionalInt(object, "durationMs");
    event.toolName = json::optionalString(object, "toolName");
    event.command = json::optionalString(object, "command");
    event.runInBackground = json::optionalBool(object, "runInBackground");
    event.reason = json::optionalString(object, "reason");
    event.source = json::optionalString(object, "source");
    event.eventID = json::optionalString(object, "eventID");
    event.bootSeconds = json::optionalDouble(object, "bootSeconds");
    event.bootID = json::optionalString(object, "bootID");
    keepWithinBounds(event);
    return event;
}

json::Json HookEvent::encode() const {
    json::Json object = json::Json::object();
    object["event"] = json::string(event.text());
    object["sessionID"] = json::string(sessionID);
    object["receivedAt"] = json::number(receivedAt);
    json::putOptional(object, "termProgram", termProgram);
    json::putOptional(object, "projectDir", projectDir);
    json::putOptional(object, "cwd", cwd);
    json::putOptional(object, "promptFirstLine", promptFirstLine);
    json::putOptional(object, "isTaskNotification", isTaskNotification);
    json::putOptional(object, "backgroundTaskCount", backgroundTaskCount);
    json::putOptional(object, "lastAssistantMessage", lastAssistantMessage);
    json::putOptional(object, "notificationType", notificationType);
    json::putOptional(object, "message", message);
    json::putOptional(object, "error", error);
    json::putOptional(object, "isInterrupt", isInterrupt);
    json::putOptional(object, "durationMs", durationMs);
    json::putOptional(object, "toolName", toolName);
    json::putOptional(object, "command", command);
    json::putOptional(object, "runInBackground", runInBackground);
    json::putOptional(object, "reason", reason);
    json::putOptional(object, "source", source);
    json::putOptional(object, "eventID", eventID);
    json::putOptional(object, "bootSeconds", bootSeconds);
    json::putOptional(object, "bootID", bootID);
    return object;
}

}  // namespace quorvel
