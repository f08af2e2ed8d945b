#include "platform/qt/DpmsMonitor.hpp"

#include <utility>

// Xlib last: its macros (Bool, Status, None, ...) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace quorvel {

std::unique_ptr<DpmsMonitor> DpmsMonitor::forX11Display() {
    std::shared_ptr<Display> display(XOpenDisplay(nullptr), [](Display* open) {
        if (open != nullptr) XCloseDisplay(open);
    });
    if (!display) return nullptr;
    int eventBase = 0;
    int errorBase = 0;
    if (!DPMSQueryExtension(display.get(), &eventBase, &errorBase) || !DPMSCapable(display.get())) return nullptr;
    Probe probe = [display]() -> std::optional<bool> {
        CARD16 level = 0;
        BOOL enabled = False;
        if (!DPMSInfo(display.get(), &level, &enabled)) return std::nullopt;
        return enabled && level != DPMSModeOn;
    };
    return std::make_unique<DpmsMonitor>(std::move(probe), std::chrono::seconds(2));
}

DpmsMonitor::DpmsMonitor(Probe probe, std::chrono::milliseconds interval) : probe_(std::move(probe)) {
    timer_.setInterval(interval);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
}

void DpmsMonitor::start(Handler handler) {
    handler_ = std::move(handler);
    timer_.start();
}

void DpmsMonitor::poll() {
    const std::optional<bool> asleep = probe_();
    if (!asleep || *asleep == asleep_) return;
    asleep_ = *asleep;
    if (handler_) handler_(asleep_ ? Event::displaysAsleep : Event::displaysAwake);
}

}  // namespace quorvel
