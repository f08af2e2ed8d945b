#include "platform/processes/ChildProcess.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace quorvel {
namespace {

enum class Lookup { exactPath, searchPath };

Expected<pid_t, files::FileError> spawnChild(const std::string& program, const std::vector<std::string>& arguments,
                                             Lookup lookup, bool ownSession) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        posix_spawn_file_actions_addopen(&actions, stream, "/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY,
                                         0);
    }
    // Nothing else of ours: a pipe the caller's caller reads to its end (a wrapper's, make's
    // jobserver) would otherwise stay open for as long as the child runs, the app for hours.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (ownSession) flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attributes, flags);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawned = lookup == Lookup::searchPath
                            ? ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ)
                            : ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return unexpected(files::fileErrorFromErrno(spawned, program));
    return pid;
}

int waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        // Someone else reaped it (a SIGCHLD handler of a library): it has ended all the same.
        if (errno != EINTR) return 0;
    }
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 0;
}

Expected<int, files::FileError> runAndWait(const std::string& program, const std::vector<std::string>& arguments,
                                           Lookup lookup) {
    auto pid = spawnChild(program, arguments, lookup, false);
    if (!pid) return unexpected(pid.error());
    return waitForExit(*pid);
}

}  // namespace

Expected<int, files::FileError> runChildProcess(const std::string& executable,
                                                const std::vector<std::string>& arguments) {
    return runAndWait(executable, arguments, Lookup::exactPath);
}

Expected<int, files::FileError> runProgram(const std::string& program, const std::vector<std::string>& arguments) {
    return runAndWait(program, arguments, Lookup::searchPath);
}

Expected<void, files::FileError> startDetachedProgram(const std::string& program,
                                                      const std::vector<std::string>& arguments) {
    auto pid = spawnChild(program, arguments, Lookup::searchPath, true);
    if (!pid) return unexpected(pid.error());
    return {};
}

}  // namespace quorvel
