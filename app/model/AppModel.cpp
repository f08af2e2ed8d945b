#include "app/model/AppModel.hpp"

#include <QCoreApplication>
#include <chrono>
#include <utility>

#include "kit/engine/Quorvel.hpp"

namespace quorvel {

AppModel::AppModel(AppServices services, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      logger_(Quorvel::macBundleID, "App"),
      hops_(*this, *services_.desktop),
      settings_(AppSettings::load(*services_.defaults)) {
    // The other parts reach the sessions only through the callbacks below, called once all
    // parts are made.
    sessions_ = std::make_unique<SessionsPart>(
        SessionsPart::Services{services_.paths, services_.clock, *services_.keepAwake, *services_.notifier}, hops_,
        settings_.stateMachineSettings(),
        SessionNeighbours{[this] { return device_->muted(); }, [this](Sound sound) { device_->playSound(sound); },
                          [this] { device_->setFloppyPutBack(false); },
                          [this](const std::string& sessionID) { phone_->forgetPushes(sessionID); },
                          [this](const Alert& alert) { phone_->routePush(alert); },
                          [this](const std::vector<Session>& sessions, Instant now) {
                              phone_->liveActivity().reconcile(sessions, phone_->isAway(), phone_->pairedPhone(), now);
                          },
                          [this] { phone_->tick(); },
                          [this] {
                              phone_->publishListsIfNeeded();
                              hooks_->refreshHookStatus();
                              later([this] { hooks_->checkBannersAllowed(); });
                          }});
    device_ = std::make_unique<DevicePart>(
        *services_.defaults, *services_.sounds, *services_.terminalFinder,
        DeviceSessions{
            [this](const std::string& sessionID) -> std::optional<Session> {
                const StateMachine& machine = sessions_->machine();
                const auto found = machine.sessions.find(sessionID);
                if (found == machine.sessions.end()) return std::nullopt;
                return found->second;
            },
            [this] { return sessions_->machine().focusSession(); },
            [this](const std::string& sessionID) { sessions_->dismiss(sessionID); }});
    hooks_ = std::make_unique<HooksPart>(
        HooksPart::Services{services_.paths, services_.helperInstaller, services_.launcherEntry,
                            *services_.launchAtLogin, *services_.notifier, *services_.desktop,
                            *services_.processQueue},
        hops_);
    phone_ = std::make_unique<PhonePart>(
        services_, hops_,
        PhoneNeighbours{[this]() -> const StateMachine& { return sessions_->machine(); },
                        [this]() -> const std::vector<FinishedRun>& { return sessions_->finished(); },
                        [this]() -> const AppSettings& { return settings_; },
                        [this](AppSettings settings) { setSettings(std::move(settings)); },
                        [this] { return device_->muted(); }, [this] { return device_->controls(); }});
    connect(sessions_.get(), &SessionsPart::changed, this, &AppModel::changed);
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
    device_->stopAlarmTimer();
    // No event is handed over, and nothing ticks, while the model is taken apart; nothing
    // runs the other parts' calls into the sessions from here on.
    sessions_.reset();
    // Work that didn't end at quit had its time then. Otherwise each queue gets a bounded
    // wait: what still runs after it is left behind, and its results are dropped (the
    // lifeline), so it never reaches the model.
    if (workLeftBehind_) return;
    for (const auto& queue :
         {services_.phoneQueue, services_.deliveryQueue, services_.keychainQueue, services_.processQueue}) {
        if (queue) queue->waitUntilIdleFor(std::chrono::milliseconds(quitWaitMilliseconds));
    }
}

void AppModel::setSettings(AppSettings settings) {
    const bool showedInDock = settings_.showInDock;
    assignTracked(*this, settings_, std::move(settings), &AppModel::settingsChanged);
    sessions_->setMachineSettings(settings_.stateMachineSettings());
    if (settings_.showInDock != showedInDock) services_.desktop->setShowsInDock(settings_.showInDock);
    if (auto saved = settings_.save(*services_.defaults); !saved) {
        logger_.error("Couldn't save settings: " + saved.error().message);
    }
}

void AppModel::start() {
    hooks_->requestBannerPermission();

    sessions_->startServer();
    sessions_->drainSpool();

    phone_->start();

    // On the main thread, like reconcile: it weighs the same table. Its requests run off it.
    phone_->liveActivity().cleanUpOrphanChannels();
    sessions_->startTicking();
}

}  // namespace quorvel
