#pragma once
// What the device window shows and what its keys, pads, fader and rows ask of the app.
// A fader drag edits the volume many times a second: the presenter shows each edit at once
// but stores the controls in the app (which saves them) only once the edit is settled (the
// drag ends), or when the presenter goes or the app quits in the middle of a drag, so
// nothing the user set is lost and the defaults file is written once per drag. Main thread.
#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "app/windows/device/LiveDisplayPresenter.hpp"
#include "kit/engine/DeviceControls.hpp"

namespace quorvel {

class DevicePresenter final : public LiveDisplayPresenter {
    Q_OBJECT

public:
    /// `source` and `navigator` must outlive the presenter.
    DevicePresenter(DeviceSource& source, WindowNavigator& navigator, std::shared_ptr<const Clock> clock,
                    QObject* parent = nullptr);
    ~DevicePresenter() override;

    /// The app's controls, or the value a fader drag under way has reached.
    DeviceControls controls() const;

    // ---- what the user does on the device ----------------------------------------------
    /// TEST THE ALARM.
    void testAlarm();
    /// The hide key (and the window manager's close).
    void hide();
    /// The compact key: the strip comes up before the device goes.
    void compact();
    /// A running row: that session's terminal comes forward.
    void rowTapped(const std::string& sessionID);
    /// An edit under way (a fader drag): shown at once, not stored yet.
    void editControls(const DeviceControls& controls);
    /// An edit that is over (a pad flip, a volume step, the end of a drag): stored.
    void settleControls(const DeviceControls& controls);
    /// Stores an edit still under way; nothing when there is none.
    void storePendingEdit();

private:
    std::optional<DeviceControls> pending_;
    /// The app's controls when last looked at, to tell when they change.
    DeviceControls storedControls_;
};

}  // namespace quorvel
