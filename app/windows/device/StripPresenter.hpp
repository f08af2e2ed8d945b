#pragma once
// What the compact strip shows (the device's own snapshot) and what its keys ask of the
// app. Main thread.
#include <QObject>
#include <memory>

#include "app/windows/device/LiveDisplayPresenter.hpp"

namespace quorvel {

class StripPresenter final : public LiveDisplayPresenter {
    Q_OBJECT

public:
    /// `source` and `navigator` must outlive the presenter.
    StripPresenter(DeviceSource& source, WindowNavigator& navigator, std::shared_ptr<const Clock> clock,
                   QObject* parent = nullptr);

    /// EDIT: the featured session's terminal comes forward; nothing without sessions.
    void edit();
    /// The hide key (and the window manager's close).
    void hide();
    /// The expand key: the device comes up before the strip goes.
    void expand();
};

}  // namespace quorvel
