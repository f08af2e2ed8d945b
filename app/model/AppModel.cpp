#include "app/model/AppModel.hpp"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <utility>

#include "app/core/PairingReport.hpp"
#include "app/core/PushReport.hpp"
#include "app/core/SpoolDrain.hpp"
#include "app/core/SpoolWrite.hpp"
#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {
namespace {

// Defaults keys.
constexpr const char* phoneDeviceTokenKey = "phoneDeviceToken";
constexpr const char* appliedPhonePrefsAtKey = "appliedPhonePrefsAt";

}  // namespace

AppModel::AppModel(AppServices services, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      logger_(Quorvel::macBundleID, "App"),
      hops_(*this, *services_.desktop),
      finishedStore_(services_.paths.appSupport()),
      sessionSaver_(services_.paths.appSupport(), machine_, [clock = services_.clock] { return clock->now(); }) {
    // The initial values, in declaration order.
    settings_ = AppSettings::load(*services_.defaults);
    lastPushReport_ = std::string(PushReport::initial);
    pairingReport_ = std::string(PairingReport::lookingForPhone);
    phoneDeviceToken_ = services_.defaults->stringValue(phoneDeviceTokenKey).value_or("");

    // A stored value of another type counts as none.
    appliedPhonePrefsAt_ = services_.defaults->dateValue(appliedPhonePrefsAtKey).value_or(distantPast);
    ticker_.setSingleShot(true);
    ticker_.setInterval(tickIntervalMilliseconds);
    connect(&ticker_, &QTimer::timeout, this, [this] {
        tick();
        // The next tick is five seconds after this one ended, however long it took.
        ticker_.start();
    });

    machine_ = StateMachine(settings_.stateMachineSettings());
    // Runs that spanned a restart go on where they were; the stale-session time bounds how
    // old a kept session may be.
    if (auto kept = sessionSaver_.store().load(services_.clock->now(), machine_.settings.staleAfter)) {
        machine_.nextNumber = std::max(machine_.nextNumber, kept->nextNumber);
        machine_.adopt(std::move(kept->sessions));
    }
    finished_ = finishedStore_.load();
    // A file written by hand or by another build may hold more than the list ever keeps.
    if (finished_.size() > finishedCap) finished_.resize(finishedCap);
    device_ = std::make_unique<DevicePart>(
        *services_.defaults, *services_.sounds, *services_.terminalFinder,
        DeviceSessions{
            [this](const std::string& sessionID) -> std::optional<Session> {
                const auto found = machine_.sessions.find(sessionID);
                if (found == machine_.sessions.end()) return std::nullopt;
                return found->second;
            },
            [this] { return machine_.focusSession(); },
            [this](const std::string& sessionID) {
                mutateMachine([&](StateMachine& machine) { machine.dismiss(sessionID); });
            }});
    hooks_ = std::make_unique<HooksPart>(
        HooksPart::Services{services_.paths, services_.helperInstaller, *services_.launchAtLogin, *services_.notifier,
                            *services_.desktop, *services_.processQueue},
        hops_);
    connect(device_.get(), &DevicePart::changed, this, &AppModel::changed);
    connect(hooks_.get(), &HooksPart::changed, this, &AppModel::changed);

    hooks_->installHelper();
    hooks_->refreshHookStatus();
    refreshKeys();

    later([this] { start(); });
}

AppModel::~AppModel() {
    hops_.cutLifeline();
    // Results handed back and not run yet go now: a service taken apart below may run queued
    // calls, which would find the model half gone.
    QCoreApplication::removePostedEvents(this);
    ticker_.stop();
    device_->stopAlarmTimer();
    // No event is handed over, and no work comes back, while the model is taken apart.
    server_.reset();
    // Work that didn't end at quit had its time then. Otherwise each queue gets a bounded
    // wait: what still runs after it is left behind, and its results are dropped (the
    // lifeline), so it never reaches the model.
    if (workLeftBehind_) return;
    for (const auto& queue :
         {services_.phoneQueue, services_.deliveryQueue, services_.keychainQueue, services_.processQueue}) {
        if (queue) queue->waitUntilIdleFor(std::chrono::milliseconds(quitWaitMilliseconds));
    }
}

// ---- tracked setters ------------------------------------------------------------------------

void AppModel::setFinished(std::vector<FinishedRun> runs) {
    assignTracked(*this, finished_, std::move(runs), &AppModel::finishedChanged);
}

void AppModel::setSettings(AppSettings settings) {
    const bool showedInDock = settings_.showInDock;
    assignTracked(*this, settings_, std::move(settings), &AppModel::settingsChanged);
    mutateMachine([&](StateMachine& machine) { machine.settings = settings_.stateMachineSettings(); });
    if (settings_.showInDock != showedInDock) services_.desktop->setShowsInDock(settings_.showInDock);
    if (auto saved = settings_.save(*services_.defaults); !saved) {
        logger_.error("Couldn't save settings: " + saved.error().message);
    }
}

void AppModel::setPhoneDeviceToken(std::string token) {
    assignTracked(*this, phoneDeviceToken_, std::move(token), &AppModel::phoneDeviceTokenChanged);
    services_.defaults->setString(phoneDeviceTokenKey, phoneDeviceToken_);
}

void AppModel::setApnsKeyID(std::optional<std::string> keyID) {
    assignTracked(*this, apnsKeyID_, std::move(keyID), &AppModel::apnsKeyIDChanged);
}

void AppModel::setRelayURL(std::optional<WebUrl> url) {
    assignTracked(*this, relayURL_, std::move(url), &AppModel::relayURLChanged);
}

void AppModel::setLastPushReport(std::string report) {
    assignTracked(*this, lastPushReport_, std::move(report), &AppModel::lastPushReportChanged);
}

void AppModel::setPairedPhone(PhoneDevice phone) {
    assignTracked(*this, pairedPhone_, std::optional<PhoneDevice>(std::move(phone)), &AppModel::pairedPhoneChanged);
}

void AppModel::setPairingReport(std::string report) {
    assignTracked(*this, pairingReport_, std::move(report), &AppModel::pairingReportChanged);
}

void AppModel::setServerProblem(std::optional<std::string> problem) {
    assignTracked(*this, serverProblem_, std::move(problem), &AppModel::serverProblemChanged);
}

void AppModel::mutateMachine(const std::function<void(StateMachine&)>& change) {
    change(machine_);
    emit machineChanged();
    emit changed();
}

// ---- start-up -------------------------------------------------------------------------------

void AppModel::start() {
    hooks_->requestBannerPermission();

    startServer();
    drainSpool();

    if (!services_.iCloudAvailable) logger_.info(std::string(noICloudNote));
    inBackground(*services_.phoneQueue, [this, sync = services_.tokenSync]() -> std::function<void()> {
        auto subscribed = sync->ensureSubscription();
        return [this, subscribed] {
            if (!subscribed) {
                if (services_.iCloudAvailable) {
                    logger_.error("CloudKit subscription failed: " + subscribed.error().description);
                }
                setPairingReport(subscribed.error().description);
            }
            syncPhone();
        };
    });

    // On the main thread, like reconcile: it weighs the same table. Its requests run off it.
    liveActivity().cleanUpOrphanChannels();
    // Runs kept from before a restart hold the machine awake again without waiting a tick.
    if (!machine_.sessions.empty()) settleLater();

    ticker_.start();
}

void AppModel::refreshKeys() {
    inKeyring([this, keychain = services_.keychain]() -> std::function<void()> {
        auto key = APNsKeyStore::load(*keychain);
        auto relay = RelayKeyStore::load(*keychain);
        return [this, key = std::move(key), relay = std::move(relay)] {
            // The two stores are read and judged apart: one failing never clears the other.
            // Either failure is logged with the same words.
            const std::string readFailed = "Couldn't read the APNs key from the login keyring: ";
            if (key) {
                setApnsKeyID(*key ? std::optional<std::string>((*key)->keyID) : std::nullopt);
            } else {
                logger_.error(readFailed + APNsKeyStore::describe(key.error()));
                setApnsKeyID(std::nullopt);
            }
            if (relay) {
                setRelayURL(*relay ? std::optional<WebUrl>((*relay)->url) : std::nullopt);
            } else {
                logger_.error(readFailed + APNsKeyStore::describe(relay.error()));
            }
        };
    });
}

void AppModel::saveFinished() {
    finishedSaved_ = finishedStore_.save(finished_);
    if (!finishedSaved_) return;
    // What the events of these files produced is on disk now; a file that still can't be
    // removed stays skipped.
    std::erase_if(unsavedSpoolFiles_,
                  [this](const std::string& name) { return removeSpoolFile(services_.paths.spool(), name); });
}

void AppModel::phoneRecordsChanged() {
    later([this] { syncPhone(); });
}

// ---- lazily made parts ----------------------------------------------------------------------

LiveActivityCoordinator& AppModel::liveActivity() {
    if (!liveActivity_) liveActivity_ = services_.makeLiveActivity(services_.apns);
    return *liveActivity_;
}

// ---- the keyring ------------------------------------------------------------------------

void AppModel::inKeyring(std::function<std::function<void()>()> work, KeyringCall call) {
    if (call == KeyringCall::read) {
        inBackground(*services_.keychainQueue, std::move(work));
        return;
    }
    ++*keyringChangesUnderWay_;
    inBackground(*services_.keychainQueue,
                 [underWay = keyringChangesUnderWay_, work = std::move(work)]() -> std::function<void()> {
                     std::function<void()> then = work();
                     --*underWay;
                     return then;
                 });
}

void AppModel::saveInKeyring(std::string what, std::function<std::function<void()>()> work) {
    auto answered = std::make_shared<std::atomic<bool>>(false);
    keyringSaves_.push_back(KeyringSave{std::move(what), answered});
    if (keyringSaves_.size() == 1) {
        emit savingToKeyringChanged();
        emit changed();
    }
    inKeyring([this, answered, work = std::move(work)]() -> std::function<void()> {
        std::function<void()> then = work();
        answered->store(true);
        return [this, answered, then = std::move(then)] {
            std::erase_if(keyringSaves_, [&](const KeyringSave& save) { return save.answered == answered; });
            if (keyringSaves_.empty()) {
                emit savingToKeyringChanged();
                emit changed();
            }
            if (then) then();
        };
    }, KeyringCall::change);
}

}  // namespace quorvel
