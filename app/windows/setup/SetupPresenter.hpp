#pragma once
// What the first-run setup window shows of the app (the four steps' states) and what the
// user asks of it. The snapshot is read again whenever the app announces any change, and
// `changed` is sent only when it differs. Main thread; the source and the navigator must
// outlive the presenter.
#include <QObject>

#include "app/windows/hosting/WindowNavigator.hpp"
#include "app/windows/setup/SetupSource.hpp"

namespace quorvel {

class SetupPresenter final : public QObject {
    Q_OBJECT

public:
    SetupPresenter(SetupSource& source, WindowNavigator& navigator, QObject* parent = nullptr);

    const SetupSnapshot& snapshot() const { return snapshot_; }

    /// Turns the hooks off when they are on, else on.
    void toggleHooks();
    /// Starts at login when it doesn't, else stops.
    void toggleLaunchAtLogin();
    void openNotificationSettings();
    void openSettings();
    /// Ends first-run setup for good and closes the setup window (it can be shown again).
    void done();

signals:
    void changed();

private:
    void refresh();

    SetupSource& source_;
    WindowNavigator& navigator_;
    SetupSnapshot snapshot_;
};

}  // namespace quorvel
