#include "kit/engine/HookEventKind.hpp"

namespace quorvel {

std::string_view agentNameOf(HookEventKind kind) {
    switch (kind) {
        case HookEventKind::sessionStart: return "SessionStart";
        case HookEventKind::userPromptSubmit: return "UserPromptSubmit";
        case HookEventKind::stop: return "Stop";
        case HookEventKind::stopFailure: return "StopFailure";
        case HookEventKind::notification: return "Notification";
        case HookEventKind::postToolUse: return "PostToolUse";
        case HookEventKind::postToolUseFailure: return "PostToolUseFailure";
        case HookEventKind::sessionEnd: return "SessionEnd";
        case HookEventKind::other: return {};
    }
    return {};
}

HookEventKind hookEventKindNamed(std::string_view name) {
    for (const HookEventKind kind : namedHookEventKinds) {
        if (agentNameOf(kind) == name) return kind;
    }
    return HookEventKind::other;
}

}  // namespace quorvel
