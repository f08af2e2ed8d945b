#pragma once
// The app as the settings window sees it: everything the window shows as one value, and
// what its rows, fields and keys ask for. Settings apply at once, with no Save. Main thread.
#include <QObject>
#include <string>

#include "app/settings/AppSettings.hpp"
#include "app/windows/settings/SettingsSnapshot.hpp"
#include "kit/engine/Sound.hpp"

namespace quorvel {

class SettingsSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual SettingsSnapshot settingsSnapshot() const = 0;

    virtual void setSettings(const AppSettings& settings) = 0;
    /// The device volume, 0 to 1 (saved with the controls).
    virtual void setVolume(double volume) = 0;
    virtual void setMuted(bool muted) = 0;
    /// The phone token as the user typed or pasted it; what is no device token is refused
    /// (see `SettingsSnapshot::phoneTokenReport`) and the stored one kept.
    virtual void setPhoneDeviceToken(const std::string& token) = 0;
    /// Syncs with the phone now.
    virtual void syncPhone() = 0;
    /// A done push to the phone whatever the router would say.
    virtual void sendTestPush(const std::string& title, const std::string& body) = 0;
    virtual void installHooks() = 0;
    virtual void removeHooks() = 0;
    /// Runs the installed helper with "--simulate" `state`.
    virtual void simulate(const std::string& state) = 0;
    virtual void setLaunchAtLogin(bool enabled) = 0;
    virtual void openNotificationSettings() = 0;
    virtual void playSound(Sound sound) = 0;
    virtual void setRelay(const std::string& url, const std::string& key) = 0;
    virtual void removeRelay() = 0;
    virtual void importAPNsKey(const std::string& keyID, const std::string& teamID) = 0;
    virtual void removeAPNsKey() = 0;

signals:
    /// Something the app holds changed; the snapshot may or may not differ.
    void changed();
};

}  // namespace quorvel
