#include "app/windows/DevicePresenter.hpp"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#include "app/model/AppModel.hpp"

namespace quorvel {
namespace {

DeviceControls sanitised(DeviceControls controls, const DeviceControls& fallback) {
    // A view hands over what the pointer gave; only 0 to 1 is a volume.
    controls.volume = std::isfinite(controls.volume) ? std::clamp(controls.volume, 0.0, 1.0) : fallback.volume;
    return controls;
}

}  // namespace

DevicePresenter::DevicePresenter(AppModel& model, std::shared_ptr<const Clock> clock, QObject* parent)
    : QObject(parent), model_(model), live_(model, std::move(clock)) {
    connect(&live_, &LiveDisplay::changed, this, &DevicePresenter::changed);
    connect(&model_, &AppModel::controlsChanged, this, [this] {
        if (live_.shown()) emit changed();
    });
    // An edit the user is still making when the app quits is kept, not lost.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &DevicePresenter::storePendingEdit);
    }
}

DevicePresenter::~DevicePresenter() { storePendingEdit(); }

DeviceControls DevicePresenter::controls() const { return pending_ ? *pending_ : model_.controls(); }

void DevicePresenter::testAlarm() { model_.startAlarmTest(); }

void DevicePresenter::eject() { model_.dismiss(); }

void DevicePresenter::hide() { model_.setDeviceVisible(false); }

void DevicePresenter::compact() {
    model_.setStripVisible(true);
    model_.setDeviceVisible(false);
}

void DevicePresenter::rowTapped(const std::string& sessionID) { model_.bringTerminalForward(sessionID); }

void DevicePresenter::editControls(const DeviceControls& controls) {
    const DeviceControls edited = sanitised(controls, this->controls());
    if (edited == this->controls()) return;
    pending_ = edited;
    if (live_.shown()) emit changed();
}

void DevicePresenter::settleControls(const DeviceControls& controls) {
    const DeviceControls settled = sanitised(controls, this->controls());
    pending_.reset();
    if (!(settled == model_.controls())) {
        model_.setControls(settled);
    } else if (live_.shown()) {
        emit changed();
    }
}

void DevicePresenter::storePendingEdit() {
    if (!pending_) return;
    const DeviceControls controls = *pending_;
    pending_.reset();
    if (!(controls == model_.controls())) model_.setControls(controls);
}

}  // namespace quorvel
