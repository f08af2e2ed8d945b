#include "hook/SimulatedEvents.hpp"

namespace quorvel {
namespace {

constexpr double promptLeadSeconds = 252;
// The failed command comes shortly before the run's end, well inside the window in which a
// failure turns the end into broke, and strictly before it so no ordering can swap them.
constexpr double failureLeadSeconds = 1;
constexpr const char* simulatedTerminal = "Simulated";

HookEvent simulatedEvent(HookEventKind kind, double receivedAt) {
    HookEvent event = HookEvent::make(HookEventName(kind), std::string(simulatedSessionID), receivedAt);
    event.termProgram = simulatedTerminal;
    return event;
}

}  // namespace

std::vector<HookEvent> buildSimulatedEvents(std::string_view state, Instant now) {
    HookEvent prompt = simulatedEvent(HookEventKind::userPromptSubmit, now.unixSeconds() - promptLeadSeconds);
    prompt.promptFirstLine = "Test the alarm";
    prompt.isTaskNotification = false;

    const double at = now.unixSeconds();
    if (state == "running") return {prompt};
    if (state == "done") {
        HookEvent stop = simulatedEvent(HookEventKind::stop, at);
        stop.backgroundTaskCount = 0;
        return {prompt, stop};
    }
    if (state == "needsyou") {
        HookEvent notification = simulatedEvent(HookEventKind::notification, at);
        notification.notificationType = "permission_prompt";
        notification.message = "Claude needs your permission";
        return {prompt, notification};
    }
    if (state == "broke") {
        HookEvent failure = simulatedEvent(HookEventKind::postToolUseFailure, at - failureLeadSeconds);
        failure.toolName = "Bash";
        failure.command = "npm test";
        failure.error = "Exit code 1";
        failure.isInterrupt = false;
        failure.durationMs = 4187;
        // A failed command alone leaves the run going; only its end makes it broke.
        HookEvent stop = simulatedEvent(HookEventKind::stop, at);
        stop.backgroundTaskCount = 0;
        return {prompt, failure, stop};
    }
    if (state == "crashed") {
        HookEvent crash = simulatedEvent(HookEventKind::stopFailure, at);
        crash.error = "overloaded";
        return {prompt, crash};
    }
    return {};
}

}  // namespace quorvel
