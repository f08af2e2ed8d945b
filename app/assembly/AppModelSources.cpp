#include "app/assembly/AppModelSources.hpp"

#include "app/menu/MenuBarSymbol.hpp"
#include "app/model/AppModel.hpp"
#include "app/windows/device/ModelDeviceDisplay.hpp"

namespace quorvel {
namespace {

/// Every model change is announced to the surface, which tells for itself what differs.
template <typename Source>
void follow(AppModel& model, Source& source) {
    QObject::connect(&model, &AppModel::changed, &source, &Source::changed);
}

class ModelDeviceSource final : public DeviceSource {
public:
    explicit ModelDeviceSource(AppModel& model) : model_(model) { follow(model_, *this); }

    DeviceDisplay display(Instant now) const override { return deviceDisplayOf(model_, now); }
    bool hasBusySession() const override { return model_.sessions().machine().hasBusySession(); }
    DeviceControls controls() const override { return model_.device().controls(); }
    void setControls(const DeviceControls& controls) override { model_.device().setControls(controls); }
    void startAlarmTest() override { model_.device().startAlarmTest(); }
    void dismiss() override { model_.device().dismiss(); }
    void bringTerminalForward(const std::optional<std::string>& sessionID) override {
        model_.device().bringTerminalForward(sessionID);
    }

private:
    AppModel& model_;
};

class ModelSettingsSource final : public SettingsSource {
public:
    explicit ModelSettingsSource(AppModel& model) : model_(model) { follow(model_, *this); }

    SettingsSnapshot settingsSnapshot() const override {
        SettingsSnapshot snapshot;
        snapshot.settings = model_.settings();
        snapshot.volumePercent = SettingsSnapshot::percentOf(model_.device().controls().volume);
        snapshot.muted = model_.device().muted();
        snapshot.hookStatus = model_.hooks().hookStatus();
        snapshot.pairingReport = model_.phone().pairingReport();
        snapshot.lastPushReport = model_.phone().lastPushReport();
        // Reading the report makes the Live Activity coordinator on first use.
        snapshot.liveActivityReport = model_.phone().liveActivity().report();
        snapshot.phoneDeviceToken = model_.phone().phoneDeviceToken();
        snapshot.phoneTokenReport = model_.phone().phoneTokenReport();
        snapshot.iCloudAvailable = model_.phone().iCloudAvailable();
        snapshot.launchAtLoginEnabled = model_.hooks().launchAtLogin() == LaunchAtLogin::Status::enabled;
        snapshot.bannersAllowed = model_.hooks().bannersAllowed();
        snapshot.notificationSettingsNote = model_.hooks().notificationSettingsNote();
        snapshot.apnsKeyID = model_.phone().apnsKeyID();
        if (model_.phone().relayURL()) snapshot.relayURL = model_.phone().relayURL()->absoluteString();
        snapshot.relayReport = model_.phone().relayReport();
        snapshot.savingToKeyring = model_.phone().savingToKeyring();
        return snapshot;
    }
    void setSettings(const AppSettings& settings) override { model_.setSettings(settings); }
    void setVolume(double volume) override {
        DeviceControls controls = model_.device().controls();
        controls.volume = volume;
        // The model saves the controls on assignment.
        model_.device().setControls(controls);
    }
    void setMuted(bool muted) override { model_.device().setMuted(muted); }
    void setPhoneDeviceToken(const std::string& token) override { model_.phone().enterPhoneDeviceToken(token); }
    void syncPhone() override { model_.phone().syncPhone(); }
    void sendTestPush(const std::string& title, const std::string& body) override { model_.phone().sendTestPush(title, body); }
    void installHooks() override { model_.hooks().installHooks(); }
    void removeHooks() override { model_.hooks().removeHooks(); }
    void simulate(const std::string& state) override { model_.hooks().simulate(state); }
    void setLaunchAtLogin(bool enabled) override { model_.hooks().setLaunchAtLogin(enabled); }
    void openNotificationSettings() override { model_.hooks().openNotificationSettings(); }
    void playSound(Sound sound) override { model_.device().playSound(sound); }
    void setRelay(const std::string& url, const std::string& key) override { model_.phone().setRelay(url, key); }
    void removeRelay() override { model_.phone().removeRelay(); }
    void importAPNsKey(const std::string& keyID, const std::string& teamID) override {
        model_.phone().importAPNsKey(keyID, teamID);
    }
    void removeAPNsKey() override { model_.phone().removeAPNsKey(); }

private:
    AppModel& model_;
};

class ModelSetupSource final : public SetupSource {
public:
    explicit ModelSetupSource(AppModel& model) : model_(model) { follow(model_, *this); }

    SetupSnapshot setupSnapshot() const override {
        SetupSnapshot snapshot;
        snapshot.hooksInstalled = model_.hooks().hookStatus().kind == HookInstaller::Status::Kind::installed;
        snapshot.launchAtLoginEnabled = model_.hooks().launchAtLogin() == LaunchAtLogin::Status::enabled;
        snapshot.bannersAllowed = model_.hooks().bannersAllowed();
        snapshot.hasAPNsKey = model_.phone().apnsKeyID().has_value();
        snapshot.notificationSettingsNote = model_.hooks().notificationSettingsNote();
        return snapshot;
    }
    void installHooks() override { model_.hooks().installHooks(); }
    void removeHooks() override { model_.hooks().removeHooks(); }
    void setLaunchAtLogin(bool enabled) override { model_.hooks().setLaunchAtLogin(enabled); }
    void openNotificationSettings() override { model_.hooks().openNotificationSettings(); }

private:
    AppModel& model_;
};

class ModelFinishedSource final : public FinishedSource {
public:
    explicit ModelFinishedSource(AppModel& model) : model_(model) { follow(model_, *this); }

    const std::vector<FinishedRun>& finished() const override { return model_.sessions().finished(); }
    void clearFinished() override {
        model_.sessions().setFinished({});
        model_.sessions().saveFinished();
    }

private:
    AppModel& model_;
};

MenuBarMenu::HookStatus menuHookStatus(const HookInstaller::Status& status) {
    using Kind = MenuBarMenu::HookStatus::Kind;
    switch (status.kind) {
        case HookInstaller::Status::Kind::installed: return {Kind::installed, status.recording, {}};
        case HookInstaller::Status::Kind::problem: return {Kind::problem, false, status.message};
        case HookInstaller::Status::Kind::notInstalled: return {Kind::notInstalled, false, {}};
    }
    return {};
}

class ModelMenuSource final : public MenuSource {
public:
    explicit ModelMenuSource(AppModel& model) : model_(model) { follow(model_, *this); }

    MenuBarMenu::Snapshot menuSnapshot(Instant now) const override {
        MenuBarMenu::Snapshot snapshot;
        // Only what the menu lists is copied: the table may hold thousands.
        snapshot.sessions = MenuBarMenu::listed(model_.sessions().machine().sessions);
        snapshot.sessionCount = model_.sessions().machine().sessions.size();
        snapshot.now = now;
        snapshot.serverProblem = model_.sessions().serverProblem();
        snapshot.bannersAllowed = model_.hooks().bannersAllowed();
        snapshot.muted = model_.device().muted();
        snapshot.hookStatus = menuHookStatus(model_.hooks().hookStatus());
        snapshot.launchAtLogin = model_.hooks().launchAtLogin() == LaunchAtLogin::Status::enabled;
        return snapshot;
    }
    std::string menuBarSymbol() const override {
        const std::optional<Session> focus = model_.sessions().machine().focusSession();
        return std::string(quorvel::menuBarSymbol(focus ? std::optional<SessionState>(focus->state) : std::nullopt));
    }
    void setMuted(bool muted) override { model_.device().setMuted(muted); }
    void openNotificationSettings() override { model_.hooks().openNotificationSettings(); }
    void installHooks() override { model_.hooks().installHooks(); }
    void installHooksRecording() override { model_.hooks().installHooksRecording(); }
    void removeHooks() override { model_.hooks().removeHooks(); }
    void setLaunchAtLogin(bool enabled) override { model_.hooks().setLaunchAtLogin(enabled); }
    void openRecordingsFolder() override { model_.hooks().openRecordingsFolder(); }
    void simulate(const std::string& state) override { model_.hooks().simulate(state); }

private:
    AppModel& model_;
};

}  // namespace

AppModelSources::AppModelSources(AppModel& model)
    : device_(std::make_unique<ModelDeviceSource>(model)),
      settings_(std::make_unique<ModelSettingsSource>(model)),
      setup_(std::make_unique<ModelSetupSource>(model)),
      finished_(std::make_unique<ModelFinishedSource>(model)),
      menu_(std::make_unique<ModelMenuSource>(model)) {}

AppModelSources::~AppModelSources() = default;

}  // namespace quorvel
