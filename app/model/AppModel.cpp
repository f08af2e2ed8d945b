#include "app/model/AppModel.hpp"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

#include "app/core/PairingReport.hpp"
#include "app/core/PushReport.hpp"
#include "app/core/SpoolDrain.hpp"
#include "app/core/SpoolWrite.hpp"
#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "kit/engine/Quorvel.hpp"
#include "kit/engine/StoredDefaults.hpp"

namespace quorvel {
namespace {

DeviceControls storedControls(const KeyValueStore& defaults) {
    const std::optional<json::Json> stored = defaults.value(StoredDefaults::deviceControls);
    if (!stored) return DeviceControls::standard();
    return DeviceControls::fromStoredData(json::dump(*stored));
}

}  // namespace

template <typename T>
void AppModel::assignTracked(T& field, T value, void (AppModel::*changed)()) {
    if (field == value) return;
    field = std::move(value);
    emit(this->*changed)();
    emit this->changed();
}

AppModel::AppModel(AppServices services, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      logger_(Quorvel::macBundleID, "App"),
      finishedStore_(services_.paths.appSupport()),
      sessionSaver_(services_.paths.appSupport(), machine_, [clock = services_.clock] { return clock->now(); }) {
    // The initial values, in declaration order.
    settings_ = AppSettings::load(*services_.defaults);
    lastPushReport_ = std::string(PushReport::initial);
    pairingReport_ = std::string(PairingReport::lookingForPhone);
    phoneDeviceToken_ = services_.defaults->value(StoredDefaults::phoneDeviceToken).value_or("");
    launchAtLogin_ = services_.launchAtLogin->status();

    // A stored value of another type counts as none.
    appliedPhonePrefsAt_ = services_.defaults->value(StoredDefaults::appliedPhonePrefsAt).value_or(distantPast);
    ticker_.setSingleShot(true);
    ticker_.setInterval(tickIntervalMilliseconds);
    connect(&ticker_, &QTimer::timeout, this, [this] {
        tick();
        // The next tick is five seconds after this one ended, however long it took.
        ticker_.start();
    });
    alarmTimer_.setSingleShot(true);
    connect(&alarmTimer_, &QTimer::timeout, this, &AppModel::advanceAlarmTest);

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
    controls_ = storedControls(*services_.defaults);

    if (auto installed = services_.helperInstaller.installHelper(services_.paths.helper()); !installed) {
        const std::string description = installed.error().message();
        logger_.error("Helper install failed: " + description);
        showError(description);
    }

    refreshHookStatus();
    refreshKeys();

    later([this] { start(); });
}

AppModel::~AppModel() {
    {
        std::lock_guard lock(lifeline_->mutex);
        lifeline_->gone = true;
    }
    // Results handed back and not run yet go now: a service taken apart below may run queued
    // calls, which would find the model half gone.
    QCoreApplication::removePostedEvents(this);
    ticker_.stop();
    alarmTimer_.stop();
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
    assignTracked(finished_, std::move(runs), &AppModel::finishedChanged);
}

void AppModel::setSettings(AppSettings settings) {
    const bool showedInDock = settings_.showInDock;
    assignTracked(settings_, std::move(settings), &AppModel::settingsChanged);
    mutateMachine([&](StateMachine& machine) { machine.settings = settings_.stateMachineSettings(); });
    if (settings_.showInDock != showedInDock) services_.desktop->setShowsInDock(settings_.showInDock);
    if (auto saved = settings_.save(*services_.defaults); !saved) {
        logger_.error("Couldn't save settings: " + saved.error().message);
    }
}

void AppModel::setPhoneDeviceToken(std::string token) {
    assignTracked(phoneDeviceToken_, std::move(token), &AppModel::phoneDeviceTokenChanged);
    services_.defaults->set(StoredDefaults::phoneDeviceToken, phoneDeviceToken_);
}

void AppModel::setControls(DeviceControls controls) {
    assignTracked(controls_, controls, &AppModel::controlsChanged);
    saveControls();
}

void AppModel::setMuted(bool muted) { assignTracked(muted_, muted, &AppModel::mutedChanged); }

void AppModel::setFloppyPutBack(bool putBack) {
    assignTracked(floppyPutBack_, putBack, &AppModel::floppyPutBackChanged);
}

void AppModel::setAlarmTestStep(std::optional<int> step) {
    assignTracked(alarmTestStep_, step, &AppModel::alarmTestStepChanged);
}

void AppModel::setBannersAllowed(bool allowed) {
    assignTracked(bannersAllowed_, std::optional<bool>(allowed), &AppModel::bannersAllowedChanged);
}

void AppModel::setNotificationSettingsNote(std::optional<std::string> note) {
    assignTracked(notificationSettingsNote_, std::move(note), &AppModel::notificationSettingsNoteChanged);
}

void AppModel::setHookStatus(HookInstaller::Status status) {
    assignTracked(hookStatus_, std::move(status), &AppModel::hookStatusChanged);
}

void AppModel::setApnsKeyID(std::optional<std::string> keyID) {
    assignTracked(apnsKeyID_, std::move(keyID), &AppModel::apnsKeyIDChanged);
}

void AppModel::setRelayURL(std::optional<WebUrl> url) {
    assignTracked(relayURL_, std::move(url), &AppModel::relayURLChanged);
}

void AppModel::setLastPushReport(std::string report) {
    assignTracked(lastPushReport_, std::move(report), &AppModel::lastPushReportChanged);
}

void AppModel::setPairedPhone(PhoneDevice phone) {
    assignTracked(pairedPhone_, std::optional<PhoneDevice>(std::move(phone)), &AppModel::pairedPhoneChanged);
}

void AppModel::setPairingReport(std::string report) {
    assignTracked(pairingReport_, std::move(report), &AppModel::pairingReportChanged);
}

void AppModel::setLaunchAtLoginStatus(LaunchAtLogin::Status status) {
    assignTracked(launchAtLogin_, status, &AppModel::launchAtLoginChanged);
}

void AppModel::setServerProblem(std::optional<std::string> problem) {
    assignTracked(serverProblem_, std::move(problem), &AppModel::serverProblemChanged);
}

void AppModel::mutateMachine(const std::function<void(StateMachine&)>& change) {
    change(machine_);
    emit machineChanged();
    emit changed();
}

// ---- start-up -------------------------------------------------------------------------------

void AppModel::start() {
    services_.notifier->requestPermission([this] { checkBannersAllowed(); });

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

void AppModel::refreshHookStatus() { setHookStatus(HookInstaller(services_.paths).status()); }

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

void AppModel::checkBannersAllowed() {
    services_.notifier->checkBannersAllowed([this](bool allowed) { setBannersAllowed(allowed); });
}

void AppModel::saveControls() {
    try {
        services_.defaults->set(StoredDefaults::deviceControls, controls_.encode());
    } catch (const std::exception& error) {
        logger_.error(std::string("Couldn't save device controls: ") + error.what());
    }
}

void AppModel::saveFinished() {
    finishedSaved_ = finishedStore_.save(finished_);
    if (!finishedSaved_) return;
    // What the events of these files produced is on disk now; a file that still can't be
    // removed stays skipped.
    std::erase_if(unsavedSpoolFiles_,
                  [this](const std::string& name) { return removeSpoolFile(services_.paths.spool(), name); });
}

void AppModel::showError(const std::string& message) {
    later([this, message] { services_.desktop->showErrorAlert(message); });
}

void AppModel::phoneRecordsChanged() {
    later([this] { syncPhone(); });
}

// ---- lazily made parts ----------------------------------------------------------------------

LiveActivityCoordinator& AppModel::liveActivity() {
    if (!liveActivity_) liveActivity_ = services_.makeLiveActivity(services_.apns);
    return *liveActivity_;
}

// ---- hops between threads -------------------------------------------------------------------

void AppModel::inBackground(WorkQueue& queue, std::function<std::function<void()>()> work) {
    // The work may be left behind at quit and end after the model: it hands its result back
    // only while the lifeline says the model is there.
    queue.run([model = this, lifeline = lifeline_, work = std::move(work)] { handBack(model, *lifeline, work()); });
}

void AppModel::handBack(AppModel* model, Lifeline& lifeline, std::function<void()> then) {
    if (!then) return;
    std::lock_guard lock(lifeline.mutex);
    if (!lifeline.gone) QMetaObject::invokeMethod(model, std::move(then), Qt::QueuedConnection);
}

void AppModel::later(std::function<void()> work) {
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

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
