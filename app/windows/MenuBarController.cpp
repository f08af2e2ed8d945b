#include "app/windows/MenuBarController.hpp"

#include <QCoreApplication>

#include "app/model/AppModel.hpp"

namespace quorvel {

MenuBarController::MenuBarController(AppModel& model, MenuBarExtra& extra, DesignSheetScene& designSheet,
                                     std::shared_ptr<const Clock> clock)
    : model_(model),
      extra_(extra),
      designSheet_(designSheet),
      clock_(std::move(clock)) {
    for (const auto changed : {&AppModel::machineChanged, &AppModel::serverProblemChanged,
                               &AppModel::bannersAllowedChanged, &AppModel::deviceVisibleChanged,
                               &AppModel::stripVisibleChanged, &AppModel::mutedChanged,
                               &AppModel::hookStatusChanged, &AppModel::launchAtLoginChanged}) {
        connect(&model_, changed, this, &MenuBarController::scheduleRefresh);
    }
    extra_.onAboutToShow([this] { refresh(); });
    extra_.onAction([this](const std::string& action, bool checked) { perform(action, checked); });
    refresh();
}

MenuBarMenu::HookStatus MenuBarController::menuHookStatus(const HookInstaller::Status& status) {
    using Kind = MenuBarMenu::HookStatus::Kind;
    switch (status.kind) {
        case HookInstaller::Status::Kind::installed: return {Kind::installed, status.recording, {}};
        case HookInstaller::Status::Kind::problem: return {Kind::problem, false, status.message};
        case HookInstaller::Status::Kind::notInstalled: return {Kind::notInstalled, false, {}};
    }
    return {};
}

MenuBarMenu::Snapshot MenuBarController::snapshot(const AppModel& model, Instant now) {
    MenuBarMenu::Snapshot snapshot;
    for (const auto& [id, session] : model.machine().sessions) snapshot.sessions.push_back(session);
    snapshot.now = now;
    snapshot.serverProblem = model.serverProblem();
    snapshot.bannersAllowed = model.bannersAllowed();
    snapshot.deviceVisible = model.deviceVisible();
    snapshot.stripVisible = model.stripVisible();
    snapshot.muted = model.muted();
    snapshot.hookStatus = menuHookStatus(model.hookStatus());
    snapshot.launchAtLogin = model.launchAtLogin() == LaunchAtLogin::Status::enabled;
    return snapshot;
}

void MenuBarController::scheduleRefresh() {
    if (refreshScheduled_) return;
    refreshScheduled_ = true;
    QMetaObject::invokeMethod(this, [this] { refresh(); }, Qt::QueuedConnection);
}

void MenuBarController::refresh() {
    refreshScheduled_ = false;
    extra_.setItems(MenuBarMenu::items(snapshot(model_, clock_->now())));
    extra_.setSymbol(model_.menuBarSymbol());
}

void MenuBarController::perform(const std::string& id, bool checked) {
    if (const std::optional<MenuBarAction> action = menuBarActionFromID(id)) perform(*action, checked);
}

void MenuBarController::perform(MenuBarAction action, bool checked) {
    switch (action) {
        case MenuBarAction::showDevice: model_.setDeviceVisible(checked); return;
        case MenuBarAction::showStrip: model_.setStripVisible(checked); return;
        case MenuBarAction::showFinished: model_.finishedWindow().show(); return;
        case MenuBarAction::showSettings: model_.settingsWindow().show(); return;
        case MenuBarAction::showSetup: model_.setupWindow().show(); return;
        case MenuBarAction::mute: model_.setMuted(checked); return;
        case MenuBarAction::designSheet: designSheet_.open(); return;
        case MenuBarAction::quit: QCoreApplication::exit(0); return;
        case MenuBarAction::turnOnBanners: model_.openNotificationSettings(); return;
        case MenuBarAction::installHooks: model_.installHooks(); return;
        case MenuBarAction::removeHooks: model_.removeHooks(); return;
        case MenuBarAction::installHooksRecording: model_.installHooksRecording(); return;
        case MenuBarAction::launchAtLogin: model_.setLaunchAtLogin(checked); return;
        case MenuBarAction::openRecordingsFolder: model_.openRecordingsFolder(); return;
        case MenuBarAction::simulateDone:
        case MenuBarAction::simulateNeedsYou:
        case MenuBarAction::simulateBroke:
        case MenuBarAction::simulateCrashed: model_.simulate(*simulatedState(action)); return;
    }
}

}  // namespace quorvel
