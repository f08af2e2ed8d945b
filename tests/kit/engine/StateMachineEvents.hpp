#pragma once
// Hook events as the agent sends them, made in one line each for the state machine's tests:
// times are Unix seconds, the session is "s1" unless named.
#include <cstdint>
#include <optional>
#include <string>

#include "kit/engine/StateMachine.hpp"

namespace quorvel::testing {

inline constexpr double t0 = 1700000000;

inline HookEvent event(std::string name, double at, std::string session = "s1") {
    HookEvent result = HookEvent::make(std::move(name), std::move(session), at);
    result.cwd = "/Users/me/app";
    return result;
}

inline HookEvent prompt(double at, std::string firstLine = "fix the build", std::string session = "s1") {
    HookEvent result = event("UserPromptSubmit", at, std::move(session));
    result.promptFirstLine = std::move(firstLine);
    result.isTaskNotification = false;
    return result;
}

inline HookEvent stop(double at, std::optional<std::int64_t> backgroundTasks = std::nullopt, std::string session = "s1") {
    HookEvent result = event("Stop", at, std::move(session));
    result.backgroundTaskCount = backgroundTasks;
    return result;
}

inline HookEvent bash(std::string name, double at, std::optional<std::int64_t> durationMs, std::string command = "make") {
    HookEvent result = event(std::move(name), at);
    result.toolName = "Bash";
    result.command = std::move(command);
    result.durationMs = durationMs;
    return result;
}

inline HookEvent bashFailure(double at, std::string error = "Exit code 2\nmake: *** [all] Error 2\n") {
    HookEvent result = bash("PostToolUseFailure", at, 1500);
    result.error = std::move(error);
    return result;
}

inline HookEvent notification(double at, std::optional<std::string> type, std::optional<std::string> message = std::nullopt) {
    HookEvent result = event("Notification", at);
    result.notificationType = std::move(type);
    result.message = std::move(message);
    return result;
}

inline const Session& session(const StateMachine& machine, const std::string& id = "s1") { return machine.sessions.at(id); }

inline Instant at(double seconds) { return Instant::fromUnixSeconds(seconds); }

}  // namespace quorvel::testing
