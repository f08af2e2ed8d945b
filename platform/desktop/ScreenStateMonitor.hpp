#pragma once
// Watches the desktop for the screen being locked and unlocked and the displays going to
// sleep and waking, and reports each change as it is seen.
#include <functional>

namespace quorvel {

class ScreenStateMonitor {
public:
    enum class Event { screenLocked, screenUnlocked, displaysAsleep, displaysAwake };
    using Handler = std::function<void(Event)>;

    virtual ~ScreenStateMonitor() = default;

    /// Starts watching; `handler` is called on the thread that runs the event loop (the main
    /// thread in the app), never after the monitor is destroyed. Called once.
    virtual void start(Handler handler) = 0;
};

}  // namespace quorvel
