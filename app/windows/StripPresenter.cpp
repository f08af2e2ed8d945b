#include "app/windows/StripPresenter.hpp"

namespace quorvel {

StripPresenter::StripPresenter(DeviceSource& source, WindowNavigator& navigator, std::shared_ptr<const Clock> clock,
                               QObject* parent)
    : QObject(parent), source_(source), navigator_(navigator), live_(source, std::move(clock)) {
    connect(&live_, &LiveDisplay::changed, this, &StripPresenter::changed);
}

void StripPresenter::eject() { source_.dismiss(); }

void StripPresenter::edit() { source_.bringTerminalForward(std::nullopt); }

void StripPresenter::hide() { navigator_.setStripVisible(false); }

void StripPresenter::expand() {
    navigator_.setDeviceVisible(true);
    navigator_.setStripVisible(false);
}

}  // namespace quorvel
