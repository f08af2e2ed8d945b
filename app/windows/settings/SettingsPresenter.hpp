#pragma once
// What the settings window shows of the app, as one value, and what the user asks of it.
// The snapshot is read again whenever the app announces any change, and `changed` is sent
// only when it differs. Every intent goes straight to the app (settings apply at once, with
// no Save). Main thread; the source must outlive the presenter.
#include <QObject>
#include <cstdint>
#include <string>

#include "app/windows/settings/SettingsSource.hpp"

namespace quorvel {

class SettingsPresenter final : public QObject {
    Q_OBJECT

public:
    explicit SettingsPresenter(SettingsSource& source, QObject* parent = nullptr);

    const SettingsSnapshot& snapshot() const { return snapshot_; }

    // ---- intents --------------------------------------------------------------------------
    void setSettings(const AppSettings& settings);
    /// Sets the volume to `percent` / 100 (and so saves the controls).
    void setVolumePercent(std::int64_t percent);
    void setMuted(bool muted);
    void setPhoneDeviceToken(const std::string& token);
    void checkNow();
    /// Asked of the app only while the key is on (`SettingsSnapshot::sendTestPushEnabled`).
    void sendTestPush();
    void turnHooksOn();
    void turnHooksOff();
    void selfTest();
    void setLaunchAtLogin(bool enabled);
    void openNotificationSettings();
    void play(Sound sound);
    void setRelay(const std::string& url, const std::string& key);
    void removeRelay();
    void importAPNsKey(const std::string& keyID, const std::string& teamID);
    void removeAPNsKey();

signals:
    void changed();

private:
    void refresh();

    SettingsSource& source_;
    SettingsSnapshot snapshot_;
};

}  // namespace quorvel
