#pragma once
// Every source of screen lock and display sleep this desktop has: the screen saver's
// signals on the session bus and, on an X display with power management, display sleep.
#include <memory>

#include "platform/desktop/ScreenStateMonitor.hpp"

namespace quorvel {

class DesktopScreenStateMonitor final : public ScreenStateMonitor {
public:
    /// Needs a Qt application object.
    DesktopScreenStateMonitor();
    ~DesktopScreenStateMonitor() override;

    void start(Handler handler) override;

    /// False when display sleep can't be seen here (no X display with power management).
    bool watchesDisplaySleep() const { return displays_ != nullptr; }

private:
    std::unique_ptr<ScreenStateMonitor> screenSaver_;
    std::unique_ptr<ScreenStateMonitor> displays_;
};

}  // namespace quorvel
