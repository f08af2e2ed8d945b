#include "platform/qt/TerminationSignals.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace quorvel {
namespace {

constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler can reach nothing else: the pipe's ends live here for the life of the instance.
volatile sig_atomic_t pipeWriteEnd = -1;
int pipeReadEnd = -1;

extern "C" void writeSignalToPipe(int signalNumber) {
    const int savedErrno = errno;
    const int fd = pipeWriteEnd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // Non-blocking: with the pipe full, requests are already waiting to be read.
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (pipeReadEnd >= 0) return;  // another instance already has them
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    pipeReadEnd = ends[0];
    pipeWriteEnd = ends[1];

    struct sigaction action {};
    action.sa_handler = writeSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : handledSignals) ::sigaction(signalNumber, &action, nullptr);

    notifier_ = std::make_unique<QSocketNotifier>(pipeReadEnd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readPending(); });
    installed_ = true;
}

TerminationSignals::~TerminationSignals() {
    if (!installed_) return;
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    for (int signalNumber : handledSignals) ::sigaction(signalNumber, &fallback, nullptr);
    notifier_.reset();
    const int writeEnd = pipeWriteEnd;
    pipeWriteEnd = -1;
    ::close(writeEnd);
    ::close(pipeReadEnd);
    pipeReadEnd = -1;
}

void TerminationSignals::readPending() {
    unsigned char bytes[64];
    for (;;) {
        const ssize_t count = ::read(pipeReadEnd, bytes, sizeof bytes);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return;
        for (ssize_t index = 0; index < count; ++index) emit terminationRequested(bytes[index]);
    }
}

}  // namespace quorvel
