#include "app/model/AppModel.hpp"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <utility>

#include "app/core/SpoolDrain.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {

AppModel::AppModel(AppServices services, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      logger_(Quorvel::macBundleID, "App"),
      hops_(*this, *services_.desktop),
      finishedStore_(services_.paths.appSupport()),
      sessionSaver_(services_.paths.appSupport(), machine_, [clock = services_.clock] { return clock->now(); }) {
    // The initial values, in declaration order.
    settings_ = AppSettings::load(*services_.defaults);
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
    phone_ = std::make_unique<PhonePart>(
        services_, hops_,
        PhoneNeighbours{[this]() -> const StateMachine& { return machine_; },
                        [this]() -> const std::vector<FinishedRun>& { return finished_; },
                        [this]() -> const AppSettings& { return settings_; },
                        [this](AppSettings settings) { setSettings(std::move(settings)); },
                        [this] { return device_->muted(); }, [this] { return device_->controls(); }});
    connect(device_.get(), &DevicePart::changed, this, &AppModel::changed);
    connect(phone_.get(), &PhonePart::changed, this, &AppModel::changed);
    connect(hooks_.get(), &HooksPart::changed, this, &AppModel::changed);

    hooks_->installHelper();
    hooks_->refreshHookStatus();
    phone_->refreshKeys();

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

    phone_->start();

    // On the main thread, like reconcile: it weighs the same table. Its requests run off it.
    phone_->liveActivity().cleanUpOrphanChannels();
    // Runs kept from before a restart hold the machine awake again without waiting a tick.
    if (!machine_.sessions.empty()) settleLater();

    ticker_.start();
}

void AppModel::saveFinished() {
    finishedSaved_ = finishedStore_.save(finished_);
    if (!finishedSaved_) return;
    // What the events of these files produced is on disk now; a file that still can't be
    // removed stays skipped.
    std::erase_if(unsavedSpoolFiles_,
                  [this](const std::string& name) { return removeSpoolFile(services_.paths.spool(), name); });
}

}  // namespace quorvel
