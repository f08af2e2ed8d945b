#pragma once
// One hook registration of the helper in the agent's settings: the event, the group's matcher
// when the event takes one, and a timeout for the one event the agent must wait for (every
// other entry runs asynchronously, so the agent never waits on us).
#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

struct HookSpec {
    std::string event;
    std::optional<std::string> matcher;
    std::optional<std::int64_t> timeout;

    bool isAsync() const { return !timeout.has_value(); }

    bool operator==(const HookSpec&) const = default;
};

}  // namespace quorvel
