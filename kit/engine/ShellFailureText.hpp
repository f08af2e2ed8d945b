#pragma once
// Reading a failed shell command's error text as the agent reports it: "Exit code N" on the
// first line, the command's output after it. Pure functions of the text; any text is taken.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

/// Most characters kept of a failed shell command's output.
inline constexpr std::size_t failureLogLimit = 4000;

/// The exit code of a failed shell command's error text ("Exit code 127\n…" gives 127).
std::optional<std::int64_t> parseExitCode(const std::optional<std::string>& error);

/// The failure output worth keeping: without the leading "Exit code" line, trimmed, at most
/// `failureLogLimit` characters; absent when nothing is left.
std::optional<std::string> summariseFailureLog(const std::optional<std::string>& error);

}  // namespace quorvel
