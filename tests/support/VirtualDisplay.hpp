#pragma once
// An Xvfb display of a test's own, on a number Xvfb picks itself (-displayfd), so tests running
// at once never share one; ended by its process, and killable mid-test as a crashing X server
// is. Free of any test framework.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <string>

#include "tests/support/ProgramLaunch.hpp"

namespace quorvel::testing {

class VirtualDisplay {
public:
    /// Starts Xvfb and waits, at most five seconds, until it has said its number.
    VirtualDisplay() {
        int told[2];
        if (::pipe2(told, O_CLOEXEC) != 0) return;
        // The write end alone goes to Xvfb, as the descriptor it writes the number to.
        const int writeEnd = ::fcntl(told[1], F_DUPFD, 3);
        ::close(told[1]);
        server_ = ProgramLaunch("Xvfb")
                      .searchPath()
                      .arguments({"-displayfd", std::to_string(writeEnd), "-nolisten", "tcp", "-noreset", "-screen",
                                  "0", "1600x1000x24"})
                      .discardOutput()
                      .start();
        ::close(writeEnd);
        std::string number;
        pollfd wait{told[0], POLLIN, 0};
        while (::poll(&wait, 1, 5000) > 0) {
            char buffer[16];
            const ssize_t got = ::read(told[0], buffer, sizeof buffer);
            if (got <= 0) break;
            number.append(buffer, static_cast<std::size_t>(got));
            if (number.find('\n') != std::string::npos) break;
        }
        ::close(told[0]);
        if (const auto end = number.find('\n'); end != std::string::npos && end > 0) {
            name_ = ":" + number.substr(0, end);
        }
    }
    ~VirtualDisplay() { server_.kill(); }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    /// ":N" once the server runs; empty when it couldn't be started.
    const std::string& name() const { return name_; }

    /// Ends the server at once, as a crash does: its clients lose their connection.
    void kill() { server_.kill(); }

private:
    RunningProgram server_;
    std::string name_;
};

}  // namespace quorvel::testing
