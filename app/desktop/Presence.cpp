#include "app/desktop/Presence.hpp"

#include <utility>

#include "kit/engine/Quorvel.hpp"

namespace quorvel {

Presence::Presence(std::unique_ptr<ScreenStateMonitor> monitor)
    : logger_(Quorvel::macBundleID, "Presence"), monitor_(std::move(monitor)) {
    monitor_->start([this](ScreenStateMonitor::Event event) { handle(event); });
}

void Presence::handle(ScreenStateMonitor::Event event) {
    const bool wasAway = screenLocked();
    switch (event) {
        case ScreenStateMonitor::Event::screenLocked: locked_ = true; break;
        case ScreenStateMonitor::Event::screenUnlocked:
            // Unlocking takes a user at a lit screen, whether or not a wake was reported.
            locked_ = false;
            displaysAsleep_ = false;
            break;
        case ScreenStateMonitor::Event::displaysAsleep: displaysAsleep_ = true; break;
        case ScreenStateMonitor::Event::displaysAwake: displaysAsleep_ = false; break;
    }
    const bool away = screenLocked();
    if (away != wasAway) logger_.info(away ? "Screen locked" : "Screen unlocked");
}

}  // namespace quorvel
