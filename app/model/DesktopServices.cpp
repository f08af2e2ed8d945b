#include "app/model/DesktopServices.hpp"

#include <QCoreApplication>
#include <QObject>
#include <QSysInfo>

#include "app/delivery/APNsDelivery.hpp"
#include "app/delivery/APNsLiveActivityCoordinator.hpp"
#include "kit/engine/Quorvel.hpp"
#include "kit/push/RecordStoreTokenSync.hpp"
#include "platform/qt/DesktopScreenStateMonitor.hpp"
#include "platform/qt/DesktopUserIdleTime.hpp"
#include "platform/qt/FreedesktopNotificationCenter.hpp"
#include "platform/qt/LogindSleepInhibitor.hpp"
#include "platform/qt/QtMainThreadHandOff.hpp"
#include "platform/qt/QtSoundOutput.hpp"
#include "platform/qt/ThreadPoolWorkQueue.hpp"
#include "platform/qt/X11WindowActivator.hpp"
#include "platform/qt/XdgApplicationLauncher.hpp"
#include "platform/services/InMemoryRecordStore.hpp"
#include "platform/services/LibsecretStore.hpp"
#include "platform/threads/DetachableWorkQueue.hpp"

namespace quorvel {

AppServices makeDesktopServices() {
    AppServices services;
    services.paths = QuorvelPaths::forCurrentUser();
    services.defaults = std::make_shared<KeyValueStore>(KeyValueStore::defaultPath());

    const QString name = QString::fromUtf8(Quorvel::displayName);
    const QString desktopEntry = QString::fromUtf8(Quorvel::desktopEntryName);
    services.notifier = std::make_unique<Notifier>(std::make_unique<FreedesktopNotificationCenter>(
        FreedesktopNotificationCenter::Sender{name, desktopEntry, desktopEntry}));
    services.sounds = std::make_unique<SoundPlayer>(std::make_unique<QtSoundOutput>(name), SoundPlayer::defaultSoundsFolder());
    services.keepAwake = std::make_unique<KeepAwake>(std::make_unique<LogindSleepInhibitor>(name));
    services.presence = std::make_unique<Presence>(std::make_unique<DesktopScreenStateMonitor>());
    services.idleTime = std::make_unique<DesktopUserIdleTime>();

    auto keychain = std::make_shared<LibsecretStore>();
    // The delivery keeps references to the keyring and the defaults; it shares their lives.
    auto defaults = services.defaults;
    auto delivery = std::shared_ptr<APNsDelivery>(new APNsDelivery(*keychain, *defaults),
                                                  [keychain, defaults](APNsDelivery* made) { delete made; });
    // Nothing on its way to the phone keeps the app from quitting: a push held back by the
    // rate limit, or a request to a server that never answers, ends at once.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                     [weak = std::weak_ptr<APNsDelivery>(delivery)] {
                         if (auto alive = weak.lock()) alive->cancel();
                     });
    services.apns = delivery;
    services.keychain = keychain;
    // There is no iCloud on Linux: the phone exchange runs over a record store that reports no
    // account, so the pairing report says why no phone is paired.
    services.tokenSync = std::make_shared<RecordStoreTokenSync>(
        std::make_shared<InMemoryRecordStore>(services.clock, AccountStatus::noAccount), services.defaults,
        services.clock);
    services.iCloudAvailable = false;
    // The coordinator asks the delivery for its client; its requests get a queue of their own,
    // so they never wait behind an alert held back by the service's rate limit.
    services.makeLiveActivity = [delivery, defaults](std::shared_ptr<PushDelivery>) {
        return std::make_unique<APNsLiveActivityCoordinator>(
            delivery, defaults, std::make_unique<ThreadPoolWorkQueue>(2), std::make_unique<QtMainThreadHandOff>());
    };
    services.launchAtLogin = std::make_shared<LaunchAtLogin>(LaunchAtLogin::forCurrentUser());
    services.launcherEntry = AppLauncherEntry::forRunningApp();
    services.hostName = []() -> std::optional<std::string> {
        const std::string host = QSysInfo::machineHostName().toStdString();
        if (host.empty()) return std::nullopt;
        return host;
    };
    services.terminalFinder = std::make_unique<TerminalFinder>(std::make_unique<X11WindowActivator>(),
                                                               std::make_unique<XdgApplicationLauncher>());

    services.phoneQueue = std::make_shared<ThreadPoolWorkQueue>(1);
    services.deliveryQueue = std::make_shared<ThreadPoolWorkQueue>(4);
    // A keyring prompt nobody answers must not keep the app from quitting.
    services.keychainQueue = std::make_shared<DetachableWorkQueue>();
    services.processQueue = std::make_shared<ThreadPoolWorkQueue>(2);
    return services;
}

}  // namespace quorvel
