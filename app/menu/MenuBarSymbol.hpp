#pragma once
// The menu-bar icon follows the state of the session featured on the device.
#include <optional>
#include <string_view>

#include "kit/engine/SessionState.hpp"

namespace quorvel {

/// The symbol's name for the focus session's state: "terminal" (none, idle), "terminal.fill"
/// (running, long run), "checkmark.circle" (done), "exclamationmark.bubble" (needs you),
/// "xmark.octagon" (broke), "bolt.slash" (crashed).
std::string_view menuBarSymbol(const std::optional<SessionState>& focusState);

}  // namespace quorvel
