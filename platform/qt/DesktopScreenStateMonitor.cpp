#include "platform/qt/DesktopScreenStateMonitor.hpp"

#include "platform/qt/DpmsMonitor.hpp"
#include "platform/qt/ScreenSaverMonitor.hpp"

namespace quorvel {

DesktopScreenStateMonitor::DesktopScreenStateMonitor()
    : screenSaver_(std::make_unique<ScreenSaverMonitor>()), displays_(DpmsMonitor::forX11Display()) {}

DesktopScreenStateMonitor::~DesktopScreenStateMonitor() = default;

void DesktopScreenStateMonitor::start(Handler handler) {
    screenSaver_->start(handler);
    if (displays_) displays_->start(handler);
}

}  // namespace quorvel
