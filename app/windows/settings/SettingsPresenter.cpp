#include "app/windows/settings/SettingsPresenter.hpp"

namespace quorvel {

SettingsPresenter::SettingsPresenter(SettingsSource& source, QObject* parent)
    : QObject(parent), source_(source), snapshot_(source.settingsSnapshot()) {
    connect(&source_, &SettingsSource::changed, this, &SettingsPresenter::refresh);
}

void SettingsPresenter::refresh() {
    SettingsSnapshot next = source_.settingsSnapshot();
    if (next == snapshot_) return;
    snapshot_ = std::move(next);
    emit changed();
}

void SettingsPresenter::setSettings(const AppSettings& settings) { source_.setSettings(settings); }

void SettingsPresenter::setVolumePercent(std::int64_t percent) {
    source_.setVolume(static_cast<double>(percent) / 100.0);
}

void SettingsPresenter::setMuted(bool muted) { source_.setMuted(muted); }

void SettingsPresenter::setPhoneDeviceToken(const std::string& token) { source_.setPhoneDeviceToken(token); }

void SettingsPresenter::checkNow() { source_.syncPhone(); }

void SettingsPresenter::sendTestPush() {
    if (!snapshot_.sendTestPushEnabled()) return;
    source_.sendTestPush("DONE. GO LOOK.", "Test push from the computer");
}

void SettingsPresenter::turnHooksOn() { source_.installHooks(); }

void SettingsPresenter::turnHooksOff() { source_.removeHooks(); }

void SettingsPresenter::selfTest() {
    if (!snapshot_.selfTestEnabled()) return;
    source_.simulate("done");
}

void SettingsPresenter::setLaunchAtLogin(bool enabled) { source_.setLaunchAtLogin(enabled); }

void SettingsPresenter::openNotificationSettings() { source_.openNotificationSettings(); }

void SettingsPresenter::play(Sound sound) { source_.playSound(sound); }

void SettingsPresenter::setRelay(const std::string& url, const std::string& key) { source_.setRelay(url, key); }

void SettingsPresenter::removeRelay() { source_.removeRelay(); }

void SettingsPresenter::importAPNsKey(const std::string& keyID, const std::string& teamID) {
    source_.importAPNsKey(keyID, teamID);
}

void SettingsPresenter::removeAPNsKey() { source_.removeAPNsKey(); }

}  // namespace quorvel
