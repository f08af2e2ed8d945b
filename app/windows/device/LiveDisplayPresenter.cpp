#include "app/windows/device/LiveDisplayPresenter.hpp"

namespace quorvel {

LiveDisplayPresenter::LiveDisplayPresenter(DeviceSource& source, WindowNavigator& navigator, std::shared_ptr<const Clock> clock,
                             QObject* parent)
    : QObject(parent), source_(source), navigator_(navigator), live_(source, std::move(clock)) {
    connect(&live_, &LiveDisplay::changed, this, &LiveDisplayPresenter::changed);
}

void LiveDisplayPresenter::eject() { source_.dismiss(); }

}  // namespace quorvel
