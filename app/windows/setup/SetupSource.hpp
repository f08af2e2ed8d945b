#pragma once
// The app as the first-run setup window sees it: the four steps' states as one value, and
// what its buttons ask for. Main thread.
#include <QObject>
#include <optional>
#include <string>

namespace quorvel {

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

class SetupSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual SetupSnapshot setupSnapshot() const = 0;

    virtual void installHooks() = 0;
    virtual void removeHooks() = 0;
    virtual void setLaunchAtLogin(bool enabled) = 0;
    virtual void openNotificationSettings() = 0;

signals:
    /// Something the app holds changed; the snapshot may or may not differ.
    void changed();
};

}  // namespace quorvel
