#pragma once
// An app model with every service replaced by a stand-in that records what the model asked
// of it, in a temporary home. Work queues run their work at once on the main thread; what
// comes back to the model still arrives as queued calls, delivered by `settle`.
#include <QCoreApplication>
#include <QEventLoop>
#include <gtest/gtest.h>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/model/AppModel.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/sound/CafWriter.hpp"
#include "platform/Files.hpp"
#include "platform/services/InMemorySecretStore.hpp"
#include "tests/app/core/DesktopServiceLog.hpp"
#include "tests/support/EveningClock.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {

/// The phone part's state that only tests look at.
struct PhonePartTestAccess {
    static int ticksSinceTokenFetch(const PhonePart& phone) { return phone.ticksSinceTokenFetch_; }
    static int attentiveTicks(const PhonePart& phone) { return phone.attentiveTicks_; }
    static const Router& router(const PhonePart& phone) { return phone.router_; }
    static const std::optional<ListMirror>& publishedMirror(const PhonePart& phone) { return phone.publishedMirror_; }
    static bool publishingMirror(const PhonePart& phone) { return phone.publishingMirror_; }
    static Instant appliedPhonePrefsAt(const PhonePart& phone) { return phone.appliedPhonePrefsAt_; }
};

struct SessionsPartTestAccess {
    static const QTimer& ticker(const SessionsPart& sessions) { return sessions.ticker_; }
};

/// The model's state that only tests look at.
struct AppModelTestAccess {
    /// The five-second ticker; running once the start-up has run.
    static const QTimer& ticker(const AppModel& model) { return SessionsPartTestAccess::ticker(model.sessions()); }
    static int ticksSinceTokenFetch(const AppModel& model) { return PhonePartTestAccess::ticksSinceTokenFetch(model.phone()); }
    static int attentiveTicks(const AppModel& model) { return PhonePartTestAccess::attentiveTicks(model.phone()); }
    static const Router& router(const AppModel& model) { return PhonePartTestAccess::router(model.phone()); }
    static const std::optional<ListMirror>& publishedMirror(const AppModel& model) {
        return PhonePartTestAccess::publishedMirror(model.phone());
    }
    static bool publishingMirror(const AppModel& model) { return PhonePartTestAccess::publishingMirror(model.phone()); }
    static Instant appliedPhonePrefsAt(const AppModel& model) { return PhonePartTestAccess::appliedPhonePrefsAt(model.phone()); }
};

struct DevicePartTestAccess {
    /// Holds each sample of the alarm test; running while the test runs.
    static const QTimer& alarmTimer(const DevicePart& device) { return device.alarmTimer_; }
};

}  // namespace quorvel

namespace quorvel::testing {

/// What the stand-ins saw.
struct Recorded {
    // Banners.
    std::vector<NotificationCenter::Banner> banners;
    // The identifiers of banners taken back.
    std::vector<std::string> bannersRemoved;
    bool bannersAllowed = true;
    int permissionRequests = 0;
    int notificationSettingsOpened = 0;
    // What opening them answers: the settings program's command, or why there is none.
    Expected<std::string, NotificationCenter::SettingsUnavailable> notificationSettingsAnswer =
        std::string("gnome-control-center notifications");
    // Sounds: the sound's name and the gain it was played at.
    std::vector<std::pair<std::string, double>> sounds;
    // Sounds stopped while playing (every sound counts as playing until stopped).
    std::vector<std::string> soundsStopped;
    // Keep-awake holds taken and kept now.
    int holdsTaken = 0;
    int holdsKept = 0;
    // Presence.
    ScreenStateMonitor::Handler screenEvents;
    // Idle time.
    double idleSeconds = 0;
    int idleQueries = 0;
    // Pushes.
    std::vector<OutgoingPush> pushes;
    std::deque<std::optional<std::string>> pushFailures;  // front: the next push's outcome
    // Live Activities.
    struct Reconcile {
        std::vector<std::string> sessionIDs;
        bool away = false;
        std::optional<PhoneDevice> phone;
        Instant now;
    };
    std::vector<Reconcile> reconciles;
    int liveActivitiesMade = 0;
    int orphanCleanUps = 0;
    // The phone exchange.
    std::vector<std::string> syncCalls;  // in call order
    std::optional<std::string> subscriptionFailure;
    std::optional<std::string> fetchFailure;
    std::optional<std::string> acknowledgeFailure;
    std::optional<std::string> deleteFailure;
    std::optional<std::string> publishFailure;
    std::vector<PhoneDevice> phones;
    std::vector<std::string> testRequests;
    std::vector<MacAck> acks;
    std::vector<std::string> deletedRequests;
    std::vector<ListMirror> published;
    // The desktop.
    std::vector<std::string> errorAlerts;
    std::vector<bool> dockChanges;
    // Open panels: their titles, and the file the user picks in each (absent: cancelled).
    std::vector<std::string> openPanels;
    std::optional<std::string> chosenFile;
    std::vector<std::string> openedFolders;
    // The terminal finder's desktop: windows asked for as "<classes> | <title>", and the
    // answer to give; desktop entries started.
    std::vector<std::string> windowActivations;
    bool windowFound = true;
    std::vector<std::string> launchedEntries;
    // Keyring failures by service name (every call for that service fails).
    std::map<std::string, std::string> keychainFailures;
};

class SettableClock final : public Clock {
public:
    Instant current = evening;
    Instant now() const override { return current; }
};

class InlineWorkQueue final : public WorkQueue {
public:
    void run(std::function<void()> work) override { work(); }
    void waitUntilIdle() override {}
    bool waitUntilIdleFor(std::chrono::milliseconds) override { return true; }
};

class RecordingNotificationCenter final : public NotificationCenter {
public:
    explicit RecordingNotificationCenter(Recorded& recorded) : recorded_(recorded) {}
    void requestAuthorization(AuthorizationCompletion completion) override {
        ++recorded_.permissionRequests;
        completion(true);
    }
    void bannersAllowed(AllowedCompletion completion) override { completion(recorded_.bannersAllowed); }
    void add(const Banner& banner, AddCompletion completion) override {
        recorded_.banners.push_back(banner);
        completion({});
    }
    void remove(const std::string& identifier) override { recorded_.bannersRemoved.push_back(identifier); }
    void openSettings(OpenSettingsCompletion completion) override {
        ++recorded_.notificationSettingsOpened;
        completion(recorded_.notificationSettingsAnswer);
    }

private:
    Recorded& recorded_;
};

class RecordingSoundOutput final : public SoundOutput {
public:
    explicit RecordingSoundOutput(Recorded& recorded) : recorded_(recorded) {}
    // The sound files the testbed writes differ in length: one sample for the first sound,
    // two for the second, and so on.
    Expected<std::unique_ptr<SoundVoice>, SoundOutputError> prepare(std::vector<std::int16_t> samples) override {
        const Sound sound = allSounds.at(samples.size() - 1);
        return std::unique_ptr<SoundVoice>(std::make_unique<Voice>(recorded_, std::string(rawValue(sound))));
    }

private:
    class Voice final : public SoundVoice {
    public:
        Voice(Recorded& recorded, std::string name) : recorded_(recorded), name_(std::move(name)) {}
        void play(double gain) override {
            recorded_.sounds.emplace_back(name_, gain);
            playing_ = true;
        }
        bool isPlaying() const override { return playing_; }
        void stop() override {
            recorded_.soundsStopped.push_back(name_);
            playing_ = false;
        }

    private:
        Recorded& recorded_;
        std::string name_;
        bool playing_ = false;
    };
    Recorded& recorded_;
};

class CountingSleepInhibitor final : public SleepInhibitor {
public:
    explicit CountingSleepInhibitor(Recorded& recorded) : recorded_(recorded) {}
    Expected<std::unique_ptr<Hold>, DesktopError> hold(std::string_view) override {
        ++recorded_.holdsTaken;
        return std::unique_ptr<Hold>(std::make_unique<CountedHold>(recorded_));
    }

private:
    class CountedHold final : public Hold {
    public:
        explicit CountedHold(Recorded& recorded) : recorded_(recorded) { ++recorded_.holdsKept; }
        ~CountedHold() override { --recorded_.holdsKept; }

    private:
        Recorded& recorded_;
    };
    Recorded& recorded_;
};

class HandOverScreenStateMonitor final : public ScreenStateMonitor {
public:
    explicit HandOverScreenStateMonitor(Recorded& recorded) : recorded_(recorded) {}
    void start(Handler handler) override { recorded_.screenEvents = std::move(handler); }

private:
    Recorded& recorded_;
};

class SettableIdleTime final : public UserIdleTime {
public:
    explicit SettableIdleTime(Recorded& recorded) : recorded_(recorded) {}
    double secondsSinceLastInput() override {
        ++recorded_.idleQueries;
        return recorded_.idleSeconds;
    }

private:
    Recorded& recorded_;
};

class RecordingPushDelivery final : public PushDelivery {
public:
    explicit RecordingPushDelivery(Recorded& recorded) : recorded_(recorded) {}
    Expected<void, Failure> push(const OutgoingPush& push) override {
        recorded_.pushes.push_back(push);
        std::optional<std::string> failure;
        if (!recorded_.pushFailures.empty()) {
            failure = recorded_.pushFailures.front();
            recorded_.pushFailures.pop_front();
        }
        if (failure) return unexpected(Failure{*failure});
        return {};
    }

private:
    Recorded& recorded_;
};

class RecordingTokenSync final : public TokenSync {
public:
    explicit RecordingTokenSync(Recorded& recorded) : recorded_(recorded) {}
    Expected<void, Failure> ensureSubscription() override {
        recorded_.syncCalls.push_back("ensureSubscription");
        return outcome(recorded_.subscriptionFailure);
    }
    Expected<std::vector<PhoneDevice>, Failure> fetchChanges() override {
        recorded_.syncCalls.push_back("fetchChanges");
        if (recorded_.fetchFailure) return unexpected(Failure{*recorded_.fetchFailure});
        return recorded_.phones;
    }
    std::vector<TestRequest> testRequests() const override {
        recorded_.syncCalls.push_back("testRequests");
        return recorded_.testRequests;
    }
    std::vector<TestRequest> takeTestRequests() override {
        recorded_.syncCalls.push_back("takeTestRequests");
        return std::exchange(recorded_.testRequests, {});
    }
    Expected<void, Failure> deleteTestRequest(const TestRequest& request) override {
        recorded_.syncCalls.push_back("deleteTestRequest");
        recorded_.deletedRequests.push_back(request);
        return outcome(recorded_.deleteFailure);
    }
    Expected<void, Failure> acknowledge(const MacAck& ack) override {
        recorded_.syncCalls.push_back("acknowledge");
        recorded_.acks.push_back(ack);
        return outcome(recorded_.acknowledgeFailure);
    }
    Expected<void, Failure> publishLists(const ListMirror& mirror) override {
        recorded_.syncCalls.push_back("publishLists");
        recorded_.published.push_back(mirror);
        return outcome(recorded_.publishFailure);
    }

private:
    static Expected<void, Failure> outcome(const std::optional<std::string>& failure) {
        if (failure) return unexpected(Failure{*failure});
        return {};
    }
    Recorded& recorded_;
};

class RecordingLiveActivity final : public LiveActivityCoordinator {
public:
    explicit RecordingLiveActivity(Recorded& recorded) : recorded_(recorded) { ++recorded_.liveActivitiesMade; }
    void reconcile(const std::vector<Session>& sessions, bool away, const std::optional<PhoneDevice>& phone,
                   Instant now) override {
        Recorded::Reconcile call{{}, away, phone, now};
        for (const Session& session : sessions) call.sessionIDs.push_back(session.id);
        recorded_.reconciles.push_back(std::move(call));
    }
    void cleanUpOrphanChannels() override { ++recorded_.orphanCleanUps; }

private:
    Recorded& recorded_;
};

class FailingSecretStore final : public SecretStore {
public:
    explicit FailingSecretStore(Recorded& recorded) : recorded_(recorded) {}
    /// The items as stored, to put credentials in place.
    InMemorySecretStore& items() { return inner_; }
    Expected<std::optional<std::string>, SecretStoreError> find(std::string_view service,
                                                                std::string_view account) override {
        if (auto failure = failureFor(service)) return unexpected(*failure);
        return inner_.find(service, account);
    }
    Expected<void, SecretStoreError> replace(std::string_view service, std::string_view account,
                                             std::string_view label, std::string_view value) override {
        if (auto failure = failureFor(service)) return unexpected(*failure);
        return inner_.replace(service, account, label, value);
    }
    Expected<void, SecretStoreError> remove(std::string_view service, std::string_view account) override {
        if (auto failure = failureFor(service)) return unexpected(*failure);
        return inner_.remove(service, account);
    }

private:
    std::optional<SecretStoreError> failureFor(std::string_view service) const {
        const auto failure = recorded_.keychainFailures.find(std::string(service));
        if (failure == recorded_.keychainFailures.end()) return std::nullopt;
        return SecretStoreError{SecretStoreError::Code::failed, failure->second};
    }

    Recorded& recorded_;
    InMemorySecretStore inner_;
};

class RecordingAppDesktop final : public AppDesktop {
public:
    explicit RecordingAppDesktop(Recorded& recorded) : recorded_(recorded) {}
    void showErrorAlert(const std::string& message) override { recorded_.errorAlerts.push_back(message); }
    std::optional<std::string> chooseFile(const std::string& title) override {
        recorded_.openPanels.push_back(title);
        return recorded_.chosenFile;
    }
    void openFolder(const std::string& path) override { recorded_.openedFolders.push_back(path); }
    void setShowsInDock(bool shown) override { recorded_.dockChanges.push_back(shown); }

private:
    Recorded& recorded_;
};

class RecordingWindowActivator final : public WindowActivator {
public:
    explicit RecordingWindowActivator(Recorded& recorded) : recorded_(recorded) {}
    Expected<bool, DesktopError> activate(const std::vector<std::string>& classes,
                                          std::string_view titleContains) override {
        std::string asked;
        for (const std::string& name : classes) asked += (asked.empty() ? "" : ",") + name;
        recorded_.windowActivations.push_back(asked + " | " + std::string(titleContains));
        return recorded_.windowFound;
    }

private:
    Recorded& recorded_;
};

class RecordingApplicationLauncher final : public ApplicationLauncher {
public:
    explicit RecordingApplicationLauncher(Recorded& recorded) : recorded_(recorded) {}
    bool open(std::string_view desktopEntryID) override {
        recorded_.launchedEntries.emplace_back(desktopEntryID);
        return true;
    }

private:
    Recorded& recorded_;
};

/// Counts the emissions of one of the signals of the model or one of its parts.
class SignalCounter {
public:
    template <typename Object>
    SignalCounter(Object& object, void (Object::*signal)()) {
        QObject::connect(&object, signal, &object, [this] { ++count_; });
    }
    SignalCounter(const SignalCounter&) = delete;
    SignalCounter& operator=(const SignalCounter&) = delete;
    int count() const { return count_; }

private:
    int count_ = 0;
};

/// Delivers every queued call, including those that queued calls queue in turn.
inline void settle() {
    for (int round = 0; round < 20; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

/// A home folder, a defaults file and the stand-ins; `make` builds the model over them.
class AppModelTestbed {
public:
    TemporaryFolder home;
    Recorded recorded;
    std::shared_ptr<SettableClock> clock = std::make_shared<SettableClock>();
    std::shared_ptr<KeyValueStore> defaults = std::make_shared<KeyValueStore>(home / ".config/quorvel/defaults.json");
    std::optional<std::string> helperSource = writtenHelper();
    std::optional<std::string> hostName = "Ada's Mac";
    FailingSecretStore* keychain = nullptr;
    DesktopServiceLog log;
    std::unique_ptr<AppModel> model;

    AppModelTestbed() {
        soundsFolder_ = home / "sounds";
        EXPECT_TRUE(files::createDirectories(soundsFolder_).hasValue());
        for (std::size_t index = 0; index < allSounds.size(); ++index) {
            const std::vector<std::int16_t> samples(index + 1, 1000);
            EXPECT_TRUE(caf::writeFile(files::joinPath(soundsFolder_, fileName(allSounds[index])), samples).hasValue());
        }
    }
    ~AppModelTestbed() { model.reset(); }

    /// Changes to the services before the model gets them.
    std::function<void(AppServices&)> adjust;

    /// The model, built and, unless told otherwise, with its start-up run.
    AppModel& make(bool runStartUp = true) {
        AppServices made = services();
        if (adjust) adjust(made);
        model = std::make_unique<AppModel>(std::move(made));
        if (runStartUp) settle();
        return *model;
    }

    AppServices services() {
        AppServices services;
        services.paths = QuorvelPaths(home.path());
        services.defaults = defaults;
        services.clock = clock;
        services.calendar = [] { return utcEnglish; };
        services.notifier = std::make_unique<Notifier>(std::make_unique<RecordingNotificationCenter>(recorded));
        services.sounds = std::make_unique<SoundPlayer>(std::make_unique<RecordingSoundOutput>(recorded), soundsFolder_);
        services.keepAwake = std::make_unique<KeepAwake>(std::make_unique<CountingSleepInhibitor>(recorded));
        services.presence = std::make_unique<Presence>(std::make_unique<HandOverScreenStateMonitor>(recorded));
        services.idleTime = std::make_unique<SettableIdleTime>(recorded);
        services.apns = std::make_shared<RecordingPushDelivery>(recorded);
        services.tokenSync = std::make_shared<RecordingTokenSync>(recorded);
        services.makeLiveActivity = [this](std::shared_ptr<PushDelivery>) {
            return std::make_unique<RecordingLiveActivity>(recorded);
        };
        auto store = std::make_shared<FailingSecretStore>(recorded);
        keychain = store.get();
        services.keychain = store;
        services.desktop = std::make_unique<RecordingAppDesktop>(recorded);
        services.helperInstaller = HelperInstaller(helperSource);
        services.launchAtLogin =
            std::make_shared<LaunchAtLogin>(home / ".config/autostart/quorvel.desktop", "/usr/bin/quorvel");
        services.hostName = [this] { return hostName; };
        services.terminalFinder = std::make_unique<TerminalFinder>(
            std::make_unique<RecordingWindowActivator>(recorded), std::make_unique<RecordingApplicationLauncher>(recorded));
        services.phoneQueue = std::make_shared<InlineWorkQueue>();
        services.deliveryQueue = std::make_shared<InlineWorkQueue>();
        services.keychainQueue = std::make_shared<InlineWorkQueue>();
        services.processQueue = std::make_shared<InlineWorkQueue>();
        return services;
    }

    std::string appSupport() const { return home / "Library/Application Support/Quorvel"; }

    /// A hook event for session `session`, received `secondsAgo` before the clock's now.
    HookEvent event(const std::string& name, const std::string& session, double secondsAgo = 0) const {
        HookEvent made = HookEvent::make(name, session, clock->current.unixSeconds() - secondsAgo);
        made.cwd = "/work/site";
        made.termProgram = "kitty";
        return made;
    }

    /// Writes `event` into the spool folder as the file `name`, as the helper would.
    void spool(const HookEvent& event, const std::string& name) const {
        const std::string folder = appSupport() + "/spool";
        ASSERT_TRUE(files::createDirectories(folder));
        ASSERT_TRUE(files::writeFileAtomically(folder + "/" + name, json::dump(event.encode())));
    }

    /// A prompt and its stop: a run of `length` seconds that ends `secondsAgo` before now.
    void finishRun(const std::string& session, double secondsAgo = 0, double length = 30, bool live = true) {
        HookEvent prompt = event("UserPromptSubmit", session, secondsAgo + length);
        prompt.promptFirstLine = "fix the build";
        model->sessions().handleHookEvent(prompt, live);
        model->sessions().handleHookEvent(event("Stop", session, secondsAgo), live);
    }

    std::vector<std::string> soundNames() const {
        std::vector<std::string> names;
        for (const auto& [name, gain] : recorded.sounds) names.push_back(name);
        return names;
    }

private:
    std::string writtenHelper() {
        const std::string path = home / "bundle/quorvel-hook";
        EXPECT_TRUE(files::createDirectories(files::parentPath(path)).hasValue());
        EXPECT_TRUE(files::writeFileAtomically(path, "#!/bin/sh\nexit 0\n", 0755).hasValue());
        return path;
    }

    std::string soundsFolder_;
};

}  // namespace quorvel::testing
