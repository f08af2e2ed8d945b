#pragma once
// What the phone part needs of the rest of the model, wired by the model: the sessions and
// the FINISHED list it mirrors to the phone, the settings the router weighs (and the phone's
// preference changes), and the device's mute and pads. Main thread.
#include <functional>
#include <vector>

#include "app/settings/AppSettings.hpp"
#include "kit/engine/DeviceControls.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/StateMachine.hpp"

namespace quorvel {

struct PhoneNeighbours {
    std::function<const StateMachine&()> machine;
    std::function<const std::vector<FinishedRun>&()> finished;
    std::function<const AppSettings&()> settings;
    /// Stores changed settings, with every side effect of the model's setter.
    std::function<void(AppSettings)> setSettings;
    std::function<bool()> muted;
    std::function<DeviceControls()> controls;
};

}  // namespace quorvel
