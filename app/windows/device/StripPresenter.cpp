#include "app/windows/device/StripPresenter.hpp"

namespace quorvel {

StripPresenter::StripPresenter(DeviceSource& source, WindowNavigator& navigator, std::shared_ptr<const Clock> clock,
                               QObject* parent)
    : LiveDisplayPresenter(source, navigator, std::move(clock), parent) {}

void StripPresenter::edit() { source_.bringTerminalForward(std::nullopt); }

void StripPresenter::hide() { navigator_.setStripVisible(false); }

void StripPresenter::expand() {
    navigator_.setDeviceVisible(true);
    navigator_.setStripVisible(false);
}

}  // namespace quorvel
