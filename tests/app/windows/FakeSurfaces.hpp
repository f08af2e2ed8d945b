#pragma once
// Small stand-ins for what presenters see: sources that hold a value and record the intents,
// and a navigator that records what it is asked. No model, no window.
#include <string>
#include <vector>

#include "app/windows/device/DeviceSource.hpp"
#include "app/windows/finished/FinishedSource.hpp"
#include "app/windows/hosting/WindowNavigator.hpp"
#include "app/windows/settings/SettingsSource.hpp"
#include "app/windows/setup/SetupSource.hpp"

namespace quorvel::testing {

class FakeNavigator final : public WindowNavigator {
public:
    std::vector<std::string> calls;
    bool device = true;
    bool strip = false;

    bool deviceVisible() const override { return device; }
    bool stripVisible() const override { return strip; }
    void setDeviceVisible(bool visible) override {
        calls.push_back(visible ? "device on" : "device off");
        device = visible;
    }
    void setStripVisible(bool visible) override {
        calls.push_back(visible ? "strip on" : "strip off");
        strip = visible;
    }
    void showSettings() override { calls.push_back("settings"); }
    void showSetup() override { calls.push_back("setup"); }
    void showFinished() override { calls.push_back("finished"); }
    void finishSetup() override { calls.push_back("setup finished"); }
};

class FakeDeviceSource final : public DeviceSource {
public:
    DeviceDisplay shown = DeviceDisplay::build(std::nullopt, false, std::nullopt, std::nullopt, 0, {}, {}, Instant());
    DeviceControls stored = DeviceControls::standard();
    std::vector<std::string> calls;

    DeviceDisplay display(Instant now) const override {
        DeviceDisplay at = shown;
        at.now = now;
        return at;
    }
    bool hasBusySession() const override { return false; }
    DeviceControls controls() const override { return stored; }
    void setControls(const DeviceControls& controls) override {
        calls.push_back("controls");
        stored = controls;
        emit changed();
    }
    void startAlarmTest() override { calls.push_back("alarm test"); }
    void dismiss() override { calls.push_back("dismiss"); }
    void bringTerminalForward(const std::optional<std::string>& session) override {
        calls.push_back("terminal " + session.value_or("focus"));
    }
};

class FakeSettingsSource final : public SettingsSource {
public:
    SettingsSnapshot snapshot;
    std::vector<std::string> calls;

    SettingsSnapshot settingsSnapshot() const override { return snapshot; }
    void setSettings(const AppSettings&) override { calls.push_back("settings"); }
    void setVolume(double volume) override { calls.push_back("volume " + std::to_string(volume)); }
    void setMuted(bool) override { calls.push_back("muted"); }
    void setPhoneDeviceToken(const std::string&) override { calls.push_back("token"); }
    void syncPhone() override { calls.push_back("sync"); }
    void sendTestPush(const std::string& title, const std::string&) override { calls.push_back("push " + title); }
    void installHooks() override { calls.push_back("hooks on"); }
    void removeHooks() override { calls.push_back("hooks off"); }
    void simulate(const std::string& state) override { calls.push_back("simulate " + state); }
    void setLaunchAtLogin(bool) override { calls.push_back("login"); }
    void openNotificationSettings() override { calls.push_back("banners"); }
    void playSound(Sound) override { calls.push_back("sound"); }
    void setRelay(const std::string&, const std::string&) override { calls.push_back("relay"); }
    void removeRelay() override { calls.push_back("relay off"); }
    void importAPNsKey(const std::string&, const std::string&) override { calls.push_back("key"); }
    void removeAPNsKey() override { calls.push_back("key off"); }
};

class FakeSetupSource final : public SetupSource {
public:
    SetupSnapshot snapshot;
    std::vector<std::string> calls;

    SetupSnapshot setupSnapshot() const override { return snapshot; }
    void installHooks() override { calls.push_back("hooks on"); }
    void removeHooks() override { calls.push_back("hooks off"); }
    void setLaunchAtLogin(bool enabled) override { calls.push_back(enabled ? "login on" : "login off"); }
    void openNotificationSettings() override { calls.push_back("banners"); }
};

class FakeFinishedSource final : public FinishedSource {
public:
    std::vector<FinishedRun> runs;
    int clears = 0;

    const std::vector<FinishedRun>& finished() const override { return runs; }
    void clearFinished() override { ++clears; }
};

}  // namespace quorvel::testing
