#include "app/windows/settings/SettingsSnapshot.hpp"

#include <algorithm>
#include <cmath>

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

std::string SettingsSnapshot::phoneTokenNote() const {
    return iCloudAvailable
               ? "Filled in through iCloud once the phone app has run. Paste by hand only if iCloud isn't available."
               : "Paste the token the phone app shows.";
}

std::optional<std::string> SettingsSnapshot::keyringNote() const {
    if (!savingToKeyring) return std::nullopt;
    return "Saving to the login keyring\u2026";
}

}  // namespace quorvel
