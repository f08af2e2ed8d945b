#pragma once
// Whether the user is away from the screen, as far as the desktop tells: the screen is
// locked, or the displays are asleep. The two are kept apart, so a display that wakes under
// a locked screen does not make the user count as present. Main thread.
#include <memory>

#include "platform/desktop/ScreenStateMonitor.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {

class Presence {
public:
    /// Starts `monitor`; until its first report the screen counts as unlocked and awake.
    explicit Presence(std::unique_ptr<ScreenStateMonitor> monitor);
    Presence(const Presence&) = delete;
    Presence& operator=(const Presence&) = delete;

    /// True while the screen is locked or the displays are asleep.
    bool screenLocked() const { return locked_ || displaysAsleep_; }

    /// Takes one report of the monitor; logs when `screenLocked` changes.
    void handle(ScreenStateMonitor::Event event);

private:
    bool locked_ = false;
    bool displaysAsleep_ = false;
    Logger logger_;
    // Last, so it stops reporting before the state above goes away.
    std::unique_ptr<ScreenStateMonitor> monitor_;
};

}  // namespace quorvel
