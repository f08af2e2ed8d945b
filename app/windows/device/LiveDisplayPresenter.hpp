#pragma once
// What the device's and the strip's presenters share: the live snapshot both draw, the
// app they act on, the windows they swap, and SEEN IT. Main thread; the source and the
// navigator must outlive the presenter.
#include <QObject>
#include <memory>

#include "app/windows/device/DeviceSource.hpp"
#include "app/windows/device/LiveDisplay.hpp"
#include "app/windows/hosting/WindowNavigator.hpp"

namespace quorvel {

class LiveDisplayPresenter : public QObject {
    Q_OBJECT

public:
    LiveDisplayPresenter(DeviceSource& source, WindowNavigator& navigator, std::shared_ptr<const Clock> clock,
                  QObject* parent = nullptr);

    const DeviceDisplay& display() const { return live_.display(); }
    LiveDisplay& live() { return live_; }

    /// SEEN IT.
    void eject();

signals:
    /// What the window shows differs. Never sent while it is off screen.
    void changed();

protected:
    DeviceSource& source_;
    WindowNavigator& navigator_;
    LiveDisplay live_;
};

}  // namespace quorvel
