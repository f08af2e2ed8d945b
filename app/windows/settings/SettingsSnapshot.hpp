#pragma once
// What the settings window shows of the app, as one value, with the lines and switches that
// follow from it.
#include <cstdint>
#include <optional>
#include <string>

#include "app/install/HookInstaller.hpp"
#include "app/settings/AppSettings.hpp"

namespace quorvel {

struct SettingsSnapshot {
    AppSettings settings;
    /// The device volume as the stepper shows it, 0 to 100.
    std::int64_t volumePercent = 0;
    bool muted = false;
    HookInstaller::Status hookStatus;
    std::string pairingReport;
    std::string lastPushReport;
    /// What last happened to a Live Activity.
    std::string liveActivityReport;
    std::string phoneDeviceToken;
    /// Why what was entered as the phone token was refused; empty while it wasn't.
    std::string phoneTokenReport;
    /// False where the desktop has no iCloud to bring the phone's token over.
    bool iCloudAvailable = true;
    bool launchAtLoginEnabled = false;
    std::optional<bool> bannersAllowed;
    /// Who manages the banners, after their settings couldn't be opened.
    std::optional<std::string> notificationSettingsNote;
    std::optional<std::string> apnsKeyID;
    /// The stored relay's address as written.
    std::optional<std::string> relayURL;
    /// What became of the last relay save or removal; empty when there is nothing to say.
    std::string relayReport;
    /// A key or relay is on its way into the login keyring.
    bool savingToKeyring = false;

    /// `volume` x 100 rounded half away from zero; 0 for NaN, clamped to the stepper's reach.
    static std::int64_t percentOf(double volume);

    bool hooksInstalled() const { return hookStatus.kind == HookInstaller::Status::Kind::installed; }
    /// "Hooks: on", "Hooks: on, recording", "Hooks: problem with settings file", "Hooks: off".
    std::string hookStatusLine() const;
    /// Off only while the hooks are not installed (a problem still allows it).
    bool selfTestEnabled() const { return hookStatus.kind != HookInstaller::Status::Kind::notInstalled; }
    bool hasPushCredentials() const { return apnsKeyID.has_value() || relayURL.has_value(); }
    /// Off while there is no phone token or neither a relay nor a key: a press then ends in
    /// the push line's report of the push.
    bool sendTestPushEnabled() const { return !phoneDeviceToken.empty() && hasPushCredentials(); }
    /// "Banners are off in the desktop's notification settings" only when they are known to be off.
    std::string bannerLine() const;
    std::string awayNote() const;
    std::string closingNote() const;
    /// How the phone's token gets here: through iCloud, or, where there is none, by hand.
    std::string phoneTokenNote() const;
    /// "Saving to the login keyring…" while a save is pending.
    std::optional<std::string> keyringNote() const;

    bool operator==(const SettingsSnapshot&) const = default;
};

}  // namespace quorvel
