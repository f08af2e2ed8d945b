#pragma once
// A hook event's name as the agent sent it, with the kind it stands for. The kind is found
// once, when the name is made, and the two only ever change together (a new name is a new
// value), so no event can carry a name of one kind and be handled as another.
#include <string>
#include <utility>

#include "kit/engine/HookEventKind.hpp"

namespace quorvel {

class HookEventName {
public:
    /// The empty name, of kind `other`.
    HookEventName() = default;
    /// Any name, also one of no known kind: it is kept as it is, for the wire and the logs.
    HookEventName(std::string text) : text_(std::move(text)), kind_(hookEventKindNamed(text_)) {}
    HookEventName(const char* text) : HookEventName(std::string(text)) {}
    /// The agent's name of a known kind.
    explicit HookEventName(HookEventKind kind) : HookEventName(std::string(agentNameOf(kind))) {}

    const std::string& text() const { return text_; }
    HookEventKind kind() const { return kind_; }

    bool operator==(const HookEventName& other) const { return text_ == other.text_; }

private:
    std::string text_;
    HookEventKind kind_ = HookEventKind::other;
};

}  // namespace quorvel
