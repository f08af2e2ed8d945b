#include "app/menu/MenuBarAction.hpp"

#include <array>
#include <utility>

namespace quorvel {
namespace {

constexpr std::array<std::pair<MenuBarAction, std::string_view>, 18> actionIDs{{
    {MenuBarAction::turnOnBanners, "turnOnBanners"},
    {MenuBarAction::showDevice, "showDevice"},
    {MenuBarAction::showStrip, "showStrip"},
    {MenuBarAction::showFinished, "showFinished"},
    {MenuBarAction::showSettings, "showSettings"},
    {MenuBarAction::showSetup, "showSetup"},
    {MenuBarAction::mute, "mute"},
    {MenuBarAction::installHooks, "installHooks"},
    {MenuBarAction::removeHooks, "removeHooks"},
    {MenuBarAction::launchAtLogin, "launchAtLogin"},
    {MenuBarAction::simulateDone, "simulateDone"},
    {MenuBarAction::simulateNeedsYou, "simulateNeedsYou"},
    {MenuBarAction::simulateBroke, "simulateBroke"},
    {MenuBarAction::simulateCrashed, "simulateCrashed"},
    {MenuBarAction::installHooksRecording, "installHooksRecording"},
    {MenuBarAction::openRecordingsFolder, "openRecordingsFolder"},
    {MenuBarAction::designSheet, "designSheet"},
    {MenuBarAction::quit, "quit"},
}};

}  // namespace

std::string_view menuBarActionID(MenuBarAction action) {
    for (const auto& [candidate, id] : actionIDs) {
        if (candidate == action) return id;
    }
    return {};
}

std::optional<MenuBarAction> menuBarActionFromID(std::string_view id) {
    for (const auto& [action, candidate] : actionIDs) {
        if (candidate == id) return action;
    }
    return std::nullopt;
}

std::optional<std::string> simulatedState(MenuBarAction action) {
    switch (action) {
        case MenuBarAction::simulateDone: return "done";
        case MenuBarAction::simulateNeedsYou: return "needsyou";
        case MenuBarAction::simulateBroke: return "broke";
        case MenuBarAction::simulateCrashed: return "crashed";
        default: return std::nullopt;
    }
}

}  // namespace quorvel
