#pragma once
// Everything the app model works with, handed to it whole when it is made: the desktop's
// services in the app (see DesktopServices), stand-ins in tests. The model owns them for the
// life of the process. Every field must be set.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/delivery/LiveActivityCoordinator.hpp"
#include "app/desktop/KeepAwake.hpp"
#include "app/desktop/LaunchAtLogin.hpp"
#include "app/desktop/Notifier.hpp"
#include "app/desktop/Presence.hpp"
#include "app/desktop/TerminalFinder.hpp"
#include "app/install/AppLauncherEntry.hpp"
#include "app/install/HelperInstaller.hpp"
#include "app/model/AppDesktop.hpp"
#include "kit/engine/QuorvelPaths.hpp"
#include "kit/push/PushDelivery.hpp"
#include "kit/push/TokenSync.hpp"
#include "kit/sound/SoundPlayer.hpp"
#include "platform/desktop/UserIdleTime.hpp"
#include "platform/services/SecretStore.hpp"
#include "platform/stores/KeyValueStore.hpp"
#include "platform/threads/WorkQueue.hpp"
#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct AppServices {
    /// Every product path, under the user's home.
    QuorvelPaths paths = QuorvelPaths::forCurrentUser();
    /// The app's defaults.
    std::shared_ptr<KeyValueStore> defaults;
    /// "Now" for the sessions, the reports and the pushes.
    std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>();
    /// The user's calendar, asked for each time a date is shown or quiet hours are checked.
    std::function<Calendar()> calendar = [] { return Calendar::current(); };

    std::unique_ptr<Notifier> notifier;
    std::unique_ptr<SoundPlayer> sounds;
    std::unique_ptr<KeepAwake> keepAwake;
    std::unique_ptr<Presence> presence;
    /// Seconds since the user's last input, for away detection.
    std::unique_ptr<UserIdleTime> idleTime;
    /// Push delivery to the paired phone.
    std::shared_ptr<PushDelivery> apns;
    /// The record exchange with the phone.
    std::shared_ptr<TokenSync> tokenSync;
    /// False where the desktop has no iCloud: every call of the exchange then fails for that
    /// reason alone, which the start says once in an information line instead of logging
    /// each failure as an error (the pairing report still shows why no phone is paired).
    bool iCloudAvailable = true;
    /// Makes the Live Activity coordinator on its first use, with the push delivery.
    std::function<std::unique_ptr<LiveActivityCoordinator>(std::shared_ptr<PushDelivery>)> makeLiveActivity;
    /// The keyring holding the APNs key and the relay.
    std::shared_ptr<SecretStore> keychain;
    /// Alerts, file choice, the file manager and the taskbar entry.
    std::unique_ptr<AppDesktop> desktop;
    /// Puts the hook helper in place at start.
    HelperInstaller helperInstaller;
    /// The launcher entry naming this copy of the app, kept beside the helper; keeps nothing
    /// unless set.
    AppLauncherEntry launcherEntry;
    std::shared_ptr<LaunchAtLogin> launchAtLogin;
    /// The computer's name as the user knows it; absent when it has none.
    std::function<std::optional<std::string>()> hostName;
    /// Brings a session's terminal to the front.
    std::unique_ptr<TerminalFinder> terminalFinder;

    /// The phone exchange's calls, one at a time.
    std::shared_ptr<WorkQueue> phoneQueue;
    /// Pushes and Live Activity network work.
    std::shared_ptr<WorkQueue> deliveryQueue;
    /// Keyring reads and writes.
    std::shared_ptr<WorkQueue> keychainQueue;
    /// Programs the app starts and waits for (the helper's simulations).
    std::shared_ptr<WorkQueue> processQueue;
};

}  // namespace quorvel
