#pragma once
// A child process forked as another local user ("nobody", uid 65534), for tests of what any
// user on the machine can do. The child runs the body it is given once it is that user, says
// through one pipe when it is ready ('y') or that it couldn't get ready ('n'), and passes what
// it heard through another. Playing another user needs root; without it nothing is forked.
// The child ends with this object. Fork it before the test starts threads. Free of any test
// framework.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>

namespace quorvel::testing {

class OtherUserChild {
public:
    static constexpr uid_t nobody = 65534;

    /// Tells the parent whether the child got ready (`'y'`) or not (`'n'`).
    using Tell = std::function<void(char)>;
    /// The child's work: only system calls; `heard` takes what it is sent. Returns when it
    /// gives up; the child then exits.
    using Body = std::function<void(const Tell& tell, int heard)>;

    explicit OtherUserChild(const Body& body) {
        if (::geteuid() != 0) return;
        int ready[2];
        if (::pipe2(ready, O_CLOEXEC) != 0) return;
        if (::pipe2(heard_, O_CLOEXEC | O_NONBLOCK) != 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return;
        }
        child_ = ::fork();
        if (child_ == 0) {
            ::close(ready[0]);
            ::close(heard_[0]);
            const Tell tell = [end = ready[1]](char byte) { (void)!::write(end, &byte, 1); };
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0) {
                tell('n');
            } else {
                body(tell, heard_[1]);
            }
            ::_exit(0);
        }
        ready_ = ready[0];
        ::close(ready[1]);
        ::close(std::exchange(heard_[1], -1));
    }
    ~OtherUserChild() {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        for (const int end : {heard_[0], heard_[1], ready_}) {
            if (end >= 0) ::close(end);
        }
    }
    OtherUserChild(const OtherUserChild&) = delete;
    OtherUserChild& operator=(const OtherUserChild&) = delete;

    /// Whether the child said it is ready within `timeout` (negative: however long it takes).
    bool waitUntilReady(std::chrono::milliseconds timeout) {
        if (ready_ < 0) return readySaid_;
        pollfd watch{ready_, POLLIN, 0};
        char byte = 0;
        if (child_ > 0 && ::poll(&watch, 1, static_cast<int>(timeout.count())) == 1 && ::read(ready_, &byte, 1) == 1) {
            readySaid_ = byte == 'y';
            ::close(std::exchange(ready_, -1));
        }
        return readySaid_;
    }
    bool ready() const { return readySaid_; }
    /// Whether it got ready and still runs: nothing done to it made it end.
    bool stillRunning() const { return readySaid_ && ::waitpid(child_, nullptr, WNOHANG) == 0; }

    /// Everything the child passed on so far, as it came.
    std::string heard() {
        char buffer[4096];
        ssize_t got = 0;
        while (heard_[0] >= 0 && (got = ::read(heard_[0], buffer, sizeof buffer)) > 0) {
            heardSoFar_.append(buffer, static_cast<std::size_t>(got));
        }
        return heardSoFar_;
    }

private:
    pid_t child_ = -1;
    int ready_ = -1;
    int heard_[2] = {-1, -1};
    bool readySaid_ = false;
    std::string heardSoFar_;
};

}  // namespace quorvel::testing
