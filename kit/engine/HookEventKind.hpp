#pragma once
// The hook events the session engine tells apart, by the agent's names for them. Every other
// name (tool-start events, names of a newer agent) is `other`: it is carried through under its
// own name and only refreshes its session.
#include <array>
#include <string_view>

namespace quorvel {

enum class HookEventKind {
    sessionStart,
    userPromptSubmit,
    stop,
    stopFailure,
    notification,
    postToolUse,
    postToolUseFailure,
    sessionEnd,
    other,
};

/// Every kind with a name of its own, i.e. all but `other`.
inline constexpr std::array<HookEventKind, 8> namedHookEventKinds{
    HookEventKind::sessionStart, HookEventKind::userPromptSubmit,   HookEventKind::stop,
    HookEventKind::stopFailure,  HookEventKind::notification,       HookEventKind::postToolUse,
    HookEventKind::postToolUseFailure, HookEventKind::sessionEnd,
};

/// The agent's name of the kind ("UserPromptSubmit", …); empty for `other`.
std::string_view agentNameOf(HookEventKind kind);
/// The kind the agent's name stands for, compared exactly (case-sensitive); `other` for any
/// name not listed.
HookEventKind hookEventKindNamed(std::string_view name);

}  // namespace quorvel
