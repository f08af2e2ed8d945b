#pragma once
// What the first-run setup window shows of the app model (the four steps' states) and what
// the user asks of it. `changed` is sent only when the snapshot differs. Main thread; the
// model must outlive the presenter.
#include <QObject>
#include <optional>
#include <string>

namespace quorvel {

class AppModel;

struct SetupSnapshot {
    bool hooksInstalled = false;
    bool launchAtLoginEnabled = false;
    /// Absent until the permission has been read.
    std::optional<bool> bannersAllowed;
    /// An APNs key is stored (a relay does not count).
    bool hasAPNsKey = false;
    /// Who manages the banners, after their settings couldn't be opened.
    std::optional<std::string> notificationSettingsNote;

    bool bannersDone() const { return bannersAllowed == std::optional<bool>(true); }
    bool operator==(const SetupSnapshot&) const = default;
};

class SetupPresenter final : public QObject {
    Q_OBJECT

public:
    explicit SetupPresenter(AppModel& model, QObject* parent = nullptr);

    const SetupSnapshot& snapshot() const { return snapshot_; }
    static SetupSnapshot snapshotOf(const AppModel& model);

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

    AppModel& model_;
    SetupSnapshot snapshot_;
};

}  // namespace quorvel
