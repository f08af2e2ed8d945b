#pragma once
// Display sleep as the X server's power management (DPMS) reports it. The server announces
// no change, so the state is read every couple of seconds and each change reported.
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "platform/desktop/ScreenStateMonitor.hpp"

namespace quorvel {

class DpmsMonitor final : public ScreenStateMonitor {
public:
    /// Whether the displays are asleep now; absent when that can't be told this time.
    using Probe = std::function<std::optional<bool>()>;

    /// A monitor of the X display named by $DISPLAY; none when there is no X display or it
    /// has no power management (Wayland's X server, virtual servers). Needs a Qt application
    /// object.
    static std::unique_ptr<DpmsMonitor> forX11Display();

    /// Reads `probe` every `interval`; the displays count as awake until it says otherwise.
    DpmsMonitor(Probe probe, std::chrono::milliseconds interval);

    void start(Handler handler) override;

private:
    void poll();

    Probe probe_;
    Handler handler_;
    bool asleep_ = false;
    QTimer timer_;
};

}  // namespace quorvel
