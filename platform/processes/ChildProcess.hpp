#pragma once
// Running another program as a child, without a shell: the arguments are passed as they are,
// never parsed. The child gets this process's environment, its standard streams on /dev/null
// (no other descriptor of this process's) and every signal at its default with none blocked, whatever the calling thread had set (a
// worker thread may block some; the app and the hook helper ignore SIGPIPE).
#include <string>
#include <vector>

#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

/// Runs the program at `executable` (a path; no search of PATH) with `arguments` and waits
/// until it ends. Returns its exit status (128 + the signal's number when a signal ended it);
/// an error with the system's text when it couldn't be started, e.g. "No such file or
/// directory: /a/b". Blocks the calling thread: not for the main thread.
Expected<int, files::FileError> runChildProcess(const std::string& executable,
                                                const std::vector<std::string>& arguments);

/// As `runChildProcess`, but a `program` named without a slash is looked up in PATH.
Expected<int, files::FileError> runProgram(const std::string& program, const std::vector<std::string>& arguments);

/// Starts `program` (a path, or a name without a slash looked up in PATH) with `arguments` in
/// a session of its own, so it outlives this process and its terminal, and doesn't wait for
/// it: for a process that ends soon after, which leaves the child to init. An error when it
/// couldn't be started.
Expected<void, files::FileError> startDetachedProgram(const std::string& program,
                                                      const std::vector<std::string>& arguments);

}  // namespace quorvel
