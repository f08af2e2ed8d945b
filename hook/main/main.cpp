// quorvel-hook: the agent runs it once per hook event with the payload on standard input.
// Whatever happens, it prints nothing and ends with status 0, within 1.5 seconds.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <exception>
#include <string>
#include <vector>

#include "hook/HelperCommandLine.hpp"
#include "hook/HookMain.hpp"
#include "platform/files/FileDescriptors.hpp"
#include "platform/files/Files.hpp"

extern char** environ;

namespace {

/// Standard output and standard error go nowhere, so nothing (not even a library's
/// complaint) can reach the agent.
void silenceOutput() {
    int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    ::dup2(null, STDOUT_FILENO);
    ::dup2(null, STDERR_FILENO);
    if (null > STDERR_FILENO) ::close(null);
}

quorvel::HookEvent::Environment currentEnvironment() {
    quorvel::HookEvent::Environment environment;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view variable = *entry;
        std::size_t equals = variable.find('=');
        if (equals == std::string_view::npos) continue;
        environment.emplace(std::string(variable.substr(0, equals)), std::string(variable.substr(equals + 1)));
    }
    return environment;
}

/// The agent ends hooks still running when it exits (SIGTERM), and a closed terminal or pipe
/// sends the others: the event in hand would be lost. The helper finishes posting or spooling
/// instead; its watchdog still ends it in time. Programs it starts get every signal back at
/// its default (platform/processes/ChildProcess.hpp).
void ignoreEndingSignals() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    // SIGQUIT comes from the terminal as SIGINT does; past a file-size limit a write fails
    // rather than ending the run.
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGQUIT, SIGXFSZ}) ::sigaction(signal, &ignore, nullptr);
}

extern "C" void endAfterFault(int) { ::_exit(0); }

/// Even a fault of the helper's own must not reach the agent as a failed hook.
void endQuietlyOnFaults() {
    struct sigaction end {};
    end.sa_handler = endAfterFault;
    sigemptyset(&end.sa_mask);
    for (int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGSYS, SIGTRAP, SIGXCPU}) {
        ::sigaction(signal, &end, nullptr);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ignoreEndingSignals();
    endQuietlyOnFaults();
    std::set_terminate([] { ::_exit(0); });
    std::vector<std::string> arguments;
    try {
        for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    } catch (...) {
        ::_exit(0);
    }
    // Asked by a person: answered on standard output, with no input read and nothing logged.
    if (const auto request = quorvel::helperRequest(arguments); request != quorvel::HelperRequest::handleEvent) {
        (void)quorvel::files::writeAll(STDOUT_FILENO, request == quorvel::HelperRequest::printUsage
                                                          ? quorvel::helperUsage()
                                                          : quorvel::helperVersionLine());
        ::_exit(0);
    }
    silenceOutput();
    try {
        quorvel::HookInvocation invocation;
        quorvel::startWatchdog(invocation.budget, invocation.progress);
        invocation.arguments = std::move(arguments);
        invocation.environment = currentEnvironment();
        invocation.home = quorvel::files::homeDirectory();
        invocation.inputFd = STDIN_FILENO;
        invocation.parentProcess = ::getppid();
        quorvel::hookMain(invocation);
    } catch (...) {
    }
    ::_exit(0);
}
