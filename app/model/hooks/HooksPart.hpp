#pragma once
// What makes this computer tell the app about the agent: the helper in place, the agent's
// hooks (on, in recording mode, off) and their status, the login item, and whether banners
// may appear (asked at start, checked on every tick, the desktop's settings where they are
// turned on) — the items the setup window walks the user through. Also the helper's
// recordings folder and its simulated states. Main thread; the services are the model's and
// outlive the part.
//
// Tracked fields send their own signal, then `changed`, only when the new value differs.
#include <QObject>
#include <memory>
#include <optional>
#include <string>

#include "app/desktop/LaunchAtLogin.hpp"
#include "app/desktop/Notifier.hpp"
#include "app/install/AppLauncherEntry.hpp"
#include "app/install/HelperInstaller.hpp"
#include "app/install/HookInstaller.hpp"
#include "app/model/ModelHops.hpp"
#include "platform/threads/WorkQueue.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {

class HooksPart final : public QObject {
    Q_OBJECT

public:
    struct Services {
        QuorvelPaths paths;
        const HelperInstaller& helperInstaller;
        const AppLauncherEntry& launcherEntry;
        LaunchAtLogin& launchAtLogin;
        Notifier& notifier;
        AppDesktop& desktop;
        /// Runs the helper's simulations.
        WorkQueue& processQueue;
    };

    /// Reads the login item's status; the hook status stays "not installed" until
    /// `refreshHookStatus`.
    HooksPart(Services services, const ModelHops& hops, QObject* parent = nullptr);

    const HookInstaller::Status& hookStatus() const { return hookStatus_; }
    LaunchAtLogin::Status launchAtLogin() const { return launchAtLogin_; }
    /// Whether banners can appear; absent until first known.
    std::optional<bool> bannersAllowed() const { return bannersAllowed_; }
    /// What the windows say after the desktop's notification settings couldn't be opened;
    /// absent until then, and once they could.
    const std::optional<std::string>& notificationSettingsNote() const { return notificationSettingsNote_; }

    /// Puts the helper in place, a failure logged and shown in the error alert, keeps the
    /// launcher entry through which it starts this copy of the app, and has a switched-on
    /// launch at login start this copy (failures of these two logged).
    void installHelper();
    /// Re-reads whether the agent's settings file holds the hooks.
    void refreshHookStatus();
    /// Asks for permission to show banners, then whether they can appear.
    void requestBannerPermission();
    /// Asks the desktop whether banners can appear.
    void checkBannersAllowed();

    /// Turns the agent's hooks on.
    void installHooks();
    /// Turns the agent's hooks on in recording mode (the helper keeps each payload).
    void installHooksRecording();
    /// Turns the agent's hooks off, leaving everything else in the settings file.
    void removeHooks();
    /// Starts the app at login or stops doing so; `launchAtLogin` follows what took effect.
    void setLaunchAtLogin(bool enabled);
    /// Shows the folder the helper writes its recordings to (made when missing).
    void openRecordingsFolder();
    /// Runs the installed helper with "--simulate" `state` ("done", "needsyou", "broke" or
    /// "crashed"), off the main thread; its events come back through the event server.
    void simulate(const std::string& state);
    /// Opens the desktop's notification settings, where banners are turned on; where they
    /// can't be opened, `notificationSettingsNote` says who manages the banners instead.
    void openNotificationSettings();

signals:
    void hookStatusChanged();
    void launchAtLoginChanged();
    void bannersAllowedChanged();
    void notificationSettingsNoteChanged();
    /// After each of the signals above.
    void changed();

private:
    void setHooks(bool recording);
    /// After a hook change (`failure` absent when it worked): log and show a failure, then
    /// read the hook status again.
    void finishHookChange(const std::optional<std::string>& failure);

    Services services_;
    const ModelHops& hops_;
    Logger logger_;

    HookInstaller::Status hookStatus_ = HookInstaller::Status::notInstalled();
    LaunchAtLogin::Status launchAtLogin_ = LaunchAtLogin::Status::notRegistered;
    std::optional<bool> bannersAllowed_;
    std::optional<std::string> notificationSettingsNote_;
};

}  // namespace quorvel
