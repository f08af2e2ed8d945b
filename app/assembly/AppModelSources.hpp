#pragma once
// The app model as each surface sees it: one narrow source per surface, read from the model
// and passing the user's intents to it, each announcing every change the model announces.
// The only place in the windows that knows the model. Main thread; `model` must outlive the
// sources.
#include <memory>

#include "app/menu/tray/MenuSource.hpp"
#include "app/windows/device/DeviceSource.hpp"
#include "app/windows/finished/FinishedSource.hpp"
#include "app/windows/settings/SettingsSource.hpp"
#include "app/windows/setup/SetupSource.hpp"

namespace quorvel {

class AppModel;

class AppModelSources {
public:
    explicit AppModelSources(AppModel& model);
    ~AppModelSources();
    AppModelSources(const AppModelSources&) = delete;
    AppModelSources& operator=(const AppModelSources&) = delete;

    DeviceSource& device() { return *device_; }
    SettingsSource& settings() { return *settings_; }
    SetupSource& setup() { return *setup_; }
    FinishedSource& finished() { return *finished_; }
    MenuSource& menu() { return *menu_; }

private:
    std::unique_ptr<DeviceSource> device_;
    std::unique_ptr<SettingsSource> settings_;
    std::unique_ptr<SetupSource> setup_;
    std::unique_ptr<FinishedSource> finished_;
    std::unique_ptr<MenuSource> menu_;
};

}  // namespace quorvel
