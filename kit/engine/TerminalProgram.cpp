#include "kit/engine/TerminalProgram.hpp"

#include <array>
#include <string_view>

namespace quorvel {
namespace {

struct TerminalMark {
    std::string_view variable;
    std::string_view value;  // empty: any non-empty value
    std::string_view programName;
};

// A terminal started from a shell of another one inherits that one's variables, and GNOME
// Terminal's server is started by the session bus rather than from a shell, so its variables
// are the most likely to be inherited stale: asked last.
constexpr std::array<TerminalMark, 6> terminalMarks{{
    {"TILIX_ID", {}, "tilix"},
    {"TERMINATOR_UUID", {}, "terminator"},
    {"KONSOLE_VERSION", {}, "konsole"},
    {"COLORTERM", "xfce4-terminal", "xfce4-terminal"},
    {"GNOME_TERMINAL_SCREEN", {}, "gnome-terminal"},
    {"GNOME_TERMINAL_SERVICE", {}, "gnome-terminal"},
}};

}  // namespace

std::optional<std::string> terminalProgramName(const HookEvent::Environment& environment) {
    if (auto named = environment.find("TERM_PROGRAM"); named != environment.end()) return named->second;
    for (const TerminalMark& mark : terminalMarks) {
        auto found = environment.find(mark.variable);
        if (found == environment.end() || found->second.empty()) continue;
        if (mark.value.empty() || found->second == mark.value) return std::string(mark.programName);
    }
    return std::nullopt;
}

}  // namespace quorvel
