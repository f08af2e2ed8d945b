#pragma once
// What a click in the menu-bar menu asks the app to do. The menu carries each action as its
// identifier, so the menu itself stays plain data.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

enum class MenuBarAction {
    turnOnBanners,
    showDevice,
    showStrip,
    showFinished,
    showSettings,
    showSetup,
    mute,
    installHooks,
    removeHooks,
    launchAtLogin,
    simulateDone,
    simulateNeedsYou,
    simulateBroke,
    simulateCrashed,
    installHooksRecording,
    openRecordingsFolder,
    designSheet,
    quit,
};

/// The identifier a menu item carries ("showDevice", "simulateDone", ...).
std::string_view menuBarActionID(MenuBarAction action);

/// The action of an identifier; absent for one the menu never sends.
std::optional<MenuBarAction> menuBarActionFromID(std::string_view id);

/// The state a Simulate item passes to the helper ("done", "needsyou", "broke", "crashed");
/// absent for the other actions.
std::optional<std::string> simulatedState(MenuBarAction action);

}  // namespace quorvel
