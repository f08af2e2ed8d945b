#pragma once
// Running another program as a child and waiting for it, without a shell: the arguments are
// passed as they are, never parsed.
#include <string>
#include <vector>

#include "platform/Expected.hpp"
#include "platform/Files.hpp"

namespace quorvel {

/// Runs the program at `executable` (a path; no search of PATH) with `arguments`, its
/// standard streams on /dev/null and this process's environment, and waits until it ends.
/// Returns its exit status (128 + the signal's number when a signal ended it); an error with
/// the system's text when it couldn't be started, e.g. "No such file or directory: /a/b".
/// Blocks the calling thread: not for the main thread.
Expected<int, files::FileError> runChildProcess(const std::string& executable,
                                                const std::vector<std::string>& arguments);

}  // namespace quorvel
