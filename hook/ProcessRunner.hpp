#pragma once
// Starting other programs without a shell: arguments are passed as they are, never parsed.
#include <string>
#include <vector>

namespace quorvel {

/// Runs `program` (a path, or a name looked up in PATH) with `arguments`, standard output
/// and standard error to /dev/null, standard input inherited, and waits for it. Returns its
/// exit status, the signal number when a signal ended it, or -1 when it couldn't start.
int runProcess(const std::string& program, const std::vector<std::string>& arguments);

/// Starts `program` in a session of its own with every standard stream on /dev/null and
/// doesn't wait for it. False when it couldn't start.
bool spawnDetached(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace quorvel
