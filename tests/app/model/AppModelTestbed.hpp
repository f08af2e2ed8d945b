#pragma once
// An app model with every service replaced by a stand-in that records what the model asked
// of it, in a temporary home. Work queues run their work at once on the main thread; what
// comes back to the model still arrives as queued calls, delivered by `settle`.
#include <QCoreApplication>
#include <QEventLoop>
#include <gtest/gtest.h>
#include <algorithm>
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
#include "platform/files/Files.hpp"
#include "tests/support/DesktopServiceLog.hpp"
#include "tests/app/model/AppModelStandIns.hpp"
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

/// Whether `item` is one of `list`.
inline bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

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
