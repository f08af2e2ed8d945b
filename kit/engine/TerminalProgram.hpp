#pragma once
// The name of the terminal the agent runs in, as the helper's environment tells it. Terminals
// that set "TERM_PROGRAM" name themselves; several common Linux terminals don't, but each
// leaves a variable of its own in the shells it starts, and that names it instead.
#include <optional>
#include <string>

#include "kit/engine/HookEvent.hpp"

namespace quorvel {

/// "TERM_PROGRAM" when it is set (its value as is, even empty). Otherwise the program name of
/// the terminal whose own variable is set and not empty: "tilix" (TILIX_ID), "terminator"
/// (TERMINATOR_UUID), "konsole" (KONSOLE_VERSION), "xfce4-terminal" (COLORTERM naming it) or
/// "gnome-terminal" (GNOME_TERMINAL_SCREEN or GNOME_TERMINAL_SERVICE), asked in that order.
/// Absent for any other terminal: VTE_VERSION alone is shared by too many to name one.
std::optional<std::string> terminalProgramName(const HookEvent::Environment& environment);

}  // namespace quorvel
