#include "hook/ProcessRunner.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace quorvel {
namespace {

/// Spawn attributes and file actions, released however the spawn ends.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    void nullStream(int fd, int flags) { posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", flags, 0); }

    /// The helper ignores SIGPIPE; a child starts with it at its default and nothing blocked.
    void defaultSignals(short extraFlags) {
        sigset_t reset;
        sigemptyset(&reset);
        sigaddset(&reset, SIGPIPE);
        posix_spawnattr_setsigdefault(&attributes, &reset);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes,
                                 static_cast<short>(POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | extraFlags));
    }

    pid_t spawn(const std::string& program, const std::vector<std::string>& arguments) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ) != 0) return -1;
        return pid;
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

}  // namespace

int runProcess(const std::string& program, const std::vector<std::string>& arguments) {
    SpawnSetup setup;
    setup.nullStream(STDOUT_FILENO, O_WRONLY);
    setup.nullStream(STDERR_FILENO, O_WRONLY);
    setup.defaultSignals(0);
    pid_t pid = setup.spawn(program, arguments);
    if (pid < 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return WTERMSIG(status);
    return -1;
}

bool spawnDetached(const std::string& program, const std::vector<std::string>& arguments) {
    SpawnSetup setup;
    setup.nullStream(STDIN_FILENO, O_RDONLY);
    setup.nullStream(STDOUT_FILENO, O_WRONLY);
    setup.nullStream(STDERR_FILENO, O_WRONLY);
    setup.defaultSignals(POSIX_SPAWN_SETSID);
    return setup.spawn(program, arguments) > 0;
}

}  // namespace quorvel
