#include "app/windows/device/DevicePresenter.hpp"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

DeviceControls sanitised(DeviceControls controls, const DeviceControls& fallback) {
    // A view hands over what the pointer gave; only 0 to 1 is a volume.
    controls.volume = std::isfinite(controls.volume) ? std::clamp(controls.volume, 0.0, 1.0) : fallback.volume;
    return controls;
}

}  // namespace

DevicePresenter::DevicePresenter(DeviceSource& source, WindowNavigator& navigator, std::shared_ptr<const Clock> clock,
                                 QObject* parent)
    : LiveDisplayPresenter(source, navigator, std::move(clock), parent), storedControls_(source.controls()) {
    connect(&source_, &DeviceSource::changed, this, [this] {
        const DeviceControls stored = source_.controls();
        if (stored == storedControls_) return;
        storedControls_ = stored;
        if (live_.shown()) emit changed();
    });
    // An edit the user is still making when the app quits is kept, not lost.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &DevicePresenter::storePendingEdit);
    }
}

DevicePresenter::~DevicePresenter() { storePendingEdit(); }

DeviceControls DevicePresenter::controls() const { return pending_ ? *pending_ : source_.controls(); }

void DevicePresenter::testAlarm() { source_.startAlarmTest(); }

void DevicePresenter::hide() { navigator_.setDeviceVisible(false); }

void DevicePresenter::compact() {
    navigator_.setStripVisible(true);
    navigator_.setDeviceVisible(false);
}

void DevicePresenter::rowTapped(const std::string& sessionID) { source_.bringTerminalForward(sessionID); }

void DevicePresenter::editControls(const DeviceControls& controls) {
    const DeviceControls edited = sanitised(controls, this->controls());
    if (edited == this->controls()) return;
    pending_ = edited;
    if (live_.shown()) emit changed();
}

void DevicePresenter::settleControls(const DeviceControls& controls) {
    const DeviceControls settled = sanitised(controls, this->controls());
    pending_.reset();
    if (!(settled == source_.controls())) {
        source_.setControls(settled);
    } else if (live_.shown()) {
        emit changed();
    }
}

void DevicePresenter::storePendingEdit() {
    if (!pending_) return;
    const DeviceControls controls = *pending_;
    pending_.reset();
    if (!(controls == source_.controls())) source_.setControls(controls);
}

}  // namespace quorvel
