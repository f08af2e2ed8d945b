#include "app/model/DesktopServices.hpp"

#include <QCoreApplication>
#include <QObject>
#include <QSysInfo>

#include "app/delivery/APNsDelivery.hpp"
#include "app/model/DisabledLiveActivityCoordinator.hpp"
#include "app/model/ThreadPoolWorkQueue.hpp"
#include "app/model/UnavailableTokenSync.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/qt/DesktopScreenStateMonitor.hpp"
#include "platform/qt/DesktopUserIdleTime.hpp"
#include "platform/qt/FreedesktopNotificationCenter.hpp"
#include "platform/qt/LogindSleepInhibitor.hpp"
#include "platform/qt/QtSoundOutput.hpp"
#include "platform/qt/X11WindowActivator.hpp"
#include "platform/qt/XdgApplicationLauncher.hpp"
#include "platform/services/LibsecretStore.hpp"

namespace quorvel {

AppServices makeDesktopServices() {
    AppServices services;
    services.paths = QuorvelPaths::forCurrentUser();
    services.defaults = std::make_shared<KeyValueStore>(KeyValueStore::defaultPath());

    const QString name = QString::fromUtf8(Quorvel::displayName);
    services.notifier = std::make_unique<Notifier>(std::make_unique<FreedesktopNotificationCenter>(name));
    services.sounds = std::make_unique<SoundPlayer>(std::make_unique<QtSoundOutput>(), SoundPlayer::defaultSoundsFolder());
    services.keepAwake = std::make_unique<KeepAwake>(std::make_unique<LogindSleepInhibitor>(name));
    services.presence = std::make_unique<Presence>(std::make_unique<DesktopScreenStateMonitor>());
    services.idleTime = std::make_unique<DesktopUserIdleTime>();

    auto keychain = std::make_shared<LibsecretStore>();
    // The delivery keeps references to the keyring and the defaults; it shares their lives.
    auto defaults = services.defaults;
    auto delivery = std::shared_ptr<APNsDelivery>(new APNsDelivery(*keychain, *defaults),
                                                  [keychain, defaults](APNsDelivery* made) { delete made; });
    // A push held back by the service's rate limit must not keep the app from quitting.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit,
                     [weak = std::weak_ptr<APNsDelivery>(delivery)] {
                         if (auto alive = weak.lock()) alive->cancelWaits();
                     });
    services.apns = delivery;
    services.keychain = keychain;
    services.tokenSync = std::make_shared<UnavailableTokenSync>();
    services.makeLiveActivity = [](std::shared_ptr<PushDelivery>) {
        return std::make_unique<DisabledLiveActivityCoordinator>();
    };
    services.launchAtLogin = std::make_shared<LaunchAtLogin>(LaunchAtLogin::forCurrentUser());
    services.hostName = []() -> std::optional<std::string> {
        const std::string host = QSysInfo::machineHostName().toStdString();
        if (host.empty()) return std::nullopt;
        return host;
    };
    services.terminalFinder = std::make_unique<TerminalFinder>(std::make_unique<X11WindowActivator>(),
                                                               std::make_unique<XdgApplicationLauncher>());

    services.phoneQueue = std::make_shared<ThreadPoolWorkQueue>(1);
    services.deliveryQueue = std::make_shared<ThreadPoolWorkQueue>(4);
    services.keychainQueue = std::make_shared<ThreadPoolWorkQueue>(1);
    services.processQueue = std::make_shared<ThreadPoolWorkQueue>(2);
    return services;
}

}  // namespace quorvel
