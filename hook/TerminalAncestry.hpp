#pragma once
// The terminal the agent runs in, told from the helper's own process ancestry when no variable
// of its environment names one: Debian's Xfce Terminal, for one, sets only COLORTERM=truecolor
// and VTE_VERSION. The helper is the child of the agent's hook shell, which is the agent's
// child, which runs in the shell the terminal started; so the nearest ancestor that is a
// terminal emulator is the session's terminal. A multiplexer's server or a remote login on the
// way stands between the agent and any terminal window: the terminal then stays unknown.
//
// Plain file reads of /proc (no allocation beyond a few short strings), a bounded number of
// them: quick enough for every hook event. Any thread.
#include <sys/types.h>

#include <optional>
#include <string>

namespace quorvel {

/// Processes looked at, at most, from the helper's parent up: the agent runs its hook a shell
/// or two below the terminal's own shell, and a chain this long has left the terminal behind.
inline constexpr int terminalAncestryStepLimit = 16;

/// The program name of the terminal emulator nearest above `process` (`process` itself
/// included), as the terminal finder knows it ("xfce4-terminal", "gnome-terminal", "konsole"…),
/// read from `<procFolder>/<pid>/stat` (its command name and parent). Absent when the walk meets
/// a multiplexer's server, a remote login or the init process first, when a step can't be read,
/// or after `terminalAncestryStepLimit` processes.
std::optional<std::string> terminalOfAncestry(pid_t process, const std::string& procFolder = "/proc");

}  // namespace quorvel
