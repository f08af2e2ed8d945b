#include "app/windows/SettingsPresenter.hpp"

#include <algorithm>
#include <cmath>

#include "app/model/AppModel.hpp"

namespace quorvel {

std::int64_t SettingsSnapshot::percentOf(double volume) {
    const double percent = volume * 100.0;
    if (std::isnan(percent)) return 0;
    // Far beyond what the stepper reaches, yet safe to convert.
    constexpr double reach = 1e9;
    return static_cast<std::int64_t>(std::round(std::clamp(percent, -reach, reach)));
}

std::string SettingsSnapshot::hookStatusLine() const {
    switch (hookStatus.kind) {
        case HookInstaller::Status::Kind::installed:
            return hookStatus.recording ? "Hooks: on, recording" : "Hooks: on";
        case HookInstaller::Status::Kind::problem:
            return "Hooks: problem with settings file";
        case HookInstaller::Status::Kind::notInstalled:
            break;
    }
    return "Hooks: off";
}

std::string SettingsSnapshot::bannerLine() const {
    return bannersAllowed == std::optional<bool>(false) ? "Banners are off in the desktop's notification settings" : "Banners on";
}

std::string SettingsSnapshot::awayNote() const {
    return settings.alwaysPushToPhone ? "Not used while Always send is on."
                                      : "No typing or clicks for this long, or the screen locked.";
}

std::string SettingsSnapshot::closingNote() const {
    return settings.alwaysPushToPhone ? "Every alert goes to the computer and the phone."
                                      : "Phone alerts go only when you're away.";
}

std::optional<std::string> SettingsSnapshot::keyringNote() const {
    if (!savingToKeyring) return std::nullopt;
    return "Saving to the login keyring\u2026";
}

SettingsSnapshot SettingsPresenter::snapshotOf(AppModel& model) {
    SettingsSnapshot snapshot;
    snapshot.settings = model.settings();
    snapshot.volumePercent = SettingsSnapshot::percentOf(model.controls().volume);
    snapshot.muted = model.muted();
    snapshot.hookStatus = model.hookStatus();
    snapshot.pairingReport = model.pairingReport();
    snapshot.lastPushReport = model.lastPushReport();
    snapshot.liveActivityReport = model.liveActivity().report();
    snapshot.phoneDeviceToken = model.phoneDeviceToken();
    snapshot.launchAtLoginEnabled = model.launchAtLogin() == LaunchAtLogin::Status::enabled;
    snapshot.bannersAllowed = model.bannersAllowed();
    snapshot.notificationSettingsNote = model.notificationSettingsNote();
    snapshot.apnsKeyID = model.apnsKeyID();
    if (model.relayURL()) snapshot.relayURL = model.relayURL()->absoluteString();
    snapshot.savingToKeyring = model.savingToKeyring();
    return snapshot;
}

SettingsPresenter::SettingsPresenter(AppModel& model, QObject* parent)
    : QObject(parent), model_(model), snapshot_(snapshotOf(model)) {
    for (auto signal : {&AppModel::settingsChanged, &AppModel::controlsChanged, &AppModel::mutedChanged,
                        &AppModel::hookStatusChanged, &AppModel::pairingReportChanged,
                        &AppModel::lastPushReportChanged, &AppModel::phoneDeviceTokenChanged,
                        &AppModel::launchAtLoginChanged, &AppModel::bannersAllowedChanged,
                        &AppModel::apnsKeyIDChanged, &AppModel::relayURLChanged, &AppModel::machineChanged,
                        &AppModel::notificationSettingsNoteChanged, &AppModel::savingToKeyringChanged}) {
        connect(&model_, signal, this, &SettingsPresenter::refresh);
    }
}

void SettingsPresenter::refresh() {
    SettingsSnapshot next = snapshotOf(model_);
    if (next == snapshot_) return;
    snapshot_ = std::move(next);
    emit changed();
}

void SettingsPresenter::setSettings(const AppSettings& settings) { model_.setSettings(settings); }

void SettingsPresenter::setVolumePercent(std::int64_t percent) {
    DeviceControls controls = model_.controls();
    controls.volume = static_cast<double>(percent) / 100.0;
    // The model saves the controls on assignment.
    model_.setControls(controls);
}

void SettingsPresenter::setMuted(bool muted) { model_.setMuted(muted); }

void SettingsPresenter::setPhoneDeviceToken(const std::string& token) { model_.setPhoneDeviceToken(token); }

void SettingsPresenter::checkNow() { model_.syncPhone(); }

void SettingsPresenter::sendTestPush() {
    if (!snapshot_.sendTestPushEnabled()) return;
    model_.sendTestPush("DONE. GO LOOK.", "Test push from the computer");
}

void SettingsPresenter::turnHooksOn() { model_.installHooks(); }

void SettingsPresenter::turnHooksOff() { model_.removeHooks(); }

void SettingsPresenter::selfTest() {
    if (!snapshot_.selfTestEnabled()) return;
    model_.simulate("done");
}

void SettingsPresenter::setLaunchAtLogin(bool enabled) { model_.setLaunchAtLogin(enabled); }

void SettingsPresenter::openNotificationSettings() { model_.openNotificationSettings(); }

void SettingsPresenter::play(Sound sound) { model_.playSound(sound); }

void SettingsPresenter::setRelay(const std::string& url, const std::string& key) { model_.setRelay(url, key); }

void SettingsPresenter::removeRelay() { model_.removeRelay(); }

void SettingsPresenter::importAPNsKey(const std::string& keyID, const std::string& teamID) {
    model_.importAPNsKey(keyID, teamID);
}

void SettingsPresenter::removeAPNsKey() { model_.removeAPNsKey(); }

}  // namespace quorvel
