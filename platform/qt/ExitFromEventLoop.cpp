#include "platform/qt/ExitFromEventLoop.hpp"

#include <utility>

namespace quorvel::ExitFromEventLoop {
namespace {

// A thread-local object, since exit() ends the calling thread's thread-locals before it runs
// any atexit handler or static destructor: the app's state is still whole when `leave` runs.
struct Diversion {
    std::function<void()> leave;
    ~Diversion() {
        if (leave) std::exchange(leave, nullptr)();
    }
};
thread_local Diversion diversion;

}  // namespace

void divertTo(std::function<void()> leave) { diversion.leave = std::move(leave); }

void disarm() { diversion.leave = nullptr; }

}  // namespace quorvel::ExitFromEventLoop
