#include "hook/TerminalAncestry.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <string_view>

namespace quorvel {
namespace {

struct AncestorName {
    /// The command name as the kernel keeps it: at most 15 bytes, so cut short.
    std::string_view command;
    /// The terminal's program name; empty for a program that stands between the agent and
    /// any terminal window.
    std::string_view terminal;
};

constexpr std::array<AncestorName, 21> ancestorNames{{
    {"xfce4-terminal", "xfce4-terminal"},
    {"gnome-terminal-", "gnome-terminal"},  // gnome-terminal-server
    {"konsole", "konsole"},
    {"tilix", "tilix"},
    {"terminator", "terminator"},
    {"mate-terminal", "mate-terminal"},
    {"lxterminal", "lxterminal"},
    {"xterm", "xterm"},
    {"kitty", "kitty"},
    {"alacritty", "alacritty"},
    {"wezterm-gui", "wezterm"},
    {"ghostty", "ghostty"},
    // The agent's shell belongs to a multiplexer's server or a remote login, not to the
    // terminal that may lie above it.
    {"tmux: server", {}},
    {"tmux", {}},
    {"screen", {}},
    {"SCREEN", {}},
    {"zellij", {}},
    {"sshd", {}},
    {"dropbear", {}},
    {"mosh-server", {}},
    {"systemd", {}},
}};

struct ProcessStatus {
    std::string command;
    pid_t parent = 0;
};

/// "<pid> (<command>) <state> <parent> …": the command may hold spaces and parentheses, so
/// the parent is read after the last ")".
std::optional<ProcessStatus> readStatus(pid_t process, const std::string& procFolder) {
    const std::string path = procFolder + "/" + std::to_string(process) + "/stat";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::array<char, 1024> buffer{};
    const ssize_t count = ::read(fd, buffer.data(), buffer.size() - 1);
    ::close(fd);
    if (count <= 0) return std::nullopt;
    const std::string_view text(buffer.data(), static_cast<std::size_t>(count));
    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
    // ") S 1234 …": a space, the state, a space, then the parent.
    const std::string_view rest = text.substr(close + 1);
    if (rest.size() < 5 || rest[0] != ' ' || rest[2] != ' ') return std::nullopt;
    const std::string digits(rest.substr(3, rest.find(' ', 3) - 3));
    char* end = nullptr;
    const long parent = std::strtol(digits.c_str(), &end, 10);
    if (digits.empty() || end == nullptr || *end != '\0' || parent < 0) return std::nullopt;
    return ProcessStatus{std::string(text.substr(open + 1, close - open - 1)), static_cast<pid_t>(parent)};
}

}  // namespace

std::optional<std::string> terminalOfAncestry(pid_t process, const std::string& procFolder) {
    for (int step = 0; step < terminalAncestryStepLimit && process > 1; ++step) {
        const std::optional<ProcessStatus> status = readStatus(process, procFolder);
        if (!status) return std::nullopt;
        for (const AncestorName& name : ancestorNames) {
            if (status->command != name.command) continue;
            if (name.terminal.empty()) return std::nullopt;
            return std::string(name.terminal);
        }
        process = status->parent;
    }
    return std::nullopt;
}

}  // namespace quorvel
