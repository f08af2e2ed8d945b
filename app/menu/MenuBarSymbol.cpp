#include "app/menu/MenuBarSymbol.hpp"

namespace quorvel {

std::string_view menuBarSymbol(const std::optional<SessionState>& focusState) {
    if (!focusState) return "terminal";
    switch (focusState->kind()) {
        case SessionState::Kind::idle: return "terminal";
        case SessionState::Kind::running:
        case SessionState::Kind::longRun: return "terminal.fill";
        case SessionState::Kind::done: return "checkmark.circle";
        case SessionState::Kind::needsYou: return "exclamationmark.bubble";
        case SessionState::Kind::broke: return "xmark.octagon";
        case SessionState::Kind::crashed: return "bolt.slash";
    }
    return "terminal";
}

}  // namespace quorvel
