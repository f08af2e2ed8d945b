#include "app/menu/tray/MenuBarController.hpp"

#include <QCoreApplication>


namespace quorvel {

MenuBarController::MenuBarController(MenuSource& source, WindowNavigator& navigator, MenuBarExtra& extra,
                                     DesignSheetScene& designSheet, std::shared_ptr<const Clock> clock)
    : source_(source), navigator_(navigator), extra_(extra), designSheet_(designSheet), clock_(std::move(clock)) {
    connect(&source_, &MenuSource::changed, this, &MenuBarController::scheduleRefresh);
    connect(&navigator_, &WindowNavigator::visibilityChanged, this, &MenuBarController::scheduleRefresh);
    extra_.onAboutToShow([this] { refresh(); });
    extra_.onAction([this](const std::string& action, bool checked) { perform(action, checked); });
    refresh();
}

MenuBarMenu::Snapshot MenuBarController::snapshot(Instant now) const {
    MenuBarMenu::Snapshot snapshot = source_.menuSnapshot(now);
    snapshot.deviceVisible = navigator_.deviceVisible();
    snapshot.stripVisible = navigator_.stripVisible();
    return snapshot;
}

void MenuBarController::scheduleRefresh() {
    if (refreshScheduled_) return;
    refreshScheduled_ = true;
    QMetaObject::invokeMethod(this, [this] { refresh(); }, Qt::QueuedConnection);
}

void MenuBarController::refresh() {
    refreshScheduled_ = false;
    // The extra rebuilds the menu only when its entries differ.
    extra_.setItems(MenuBarMenu::items(snapshot(clock_->now())));
    extra_.setSymbol(source_.menuBarSymbol());
}

void MenuBarController::perform(const std::string& id, bool checked) {
    if (const std::optional<MenuBarAction> action = menuBarActionFromID(id)) perform(*action, checked);
}

void MenuBarController::perform(MenuBarAction action, bool checked) {
    switch (action) {
        case MenuBarAction::showDevice: navigator_.setDeviceVisible(checked); return;
        case MenuBarAction::showStrip: navigator_.setStripVisible(checked); return;
        case MenuBarAction::showFinished: navigator_.showFinished(); return;
        case MenuBarAction::showSettings: navigator_.showSettings(); return;
        case MenuBarAction::showSetup: navigator_.showSetup(); return;
        case MenuBarAction::mute: source_.setMuted(checked); return;
        case MenuBarAction::designSheet: designSheet_.open(); return;
        case MenuBarAction::quit: QCoreApplication::exit(0); return;
        case MenuBarAction::turnOnBanners: source_.openNotificationSettings(); return;
        case MenuBarAction::installHooks: source_.installHooks(); return;
        case MenuBarAction::removeHooks: source_.removeHooks(); return;
        case MenuBarAction::installHooksRecording: source_.installHooksRecording(); return;
        case MenuBarAction::launchAtLogin: source_.setLaunchAtLogin(checked); return;
        case MenuBarAction::openRecordingsFolder: source_.openRecordingsFolder(); return;
        case MenuBarAction::simulateDone:
        case MenuBarAction::simulateNeedsYou:
        case MenuBarAction::simulateBroke:
        case MenuBarAction::simulateCrashed: source_.simulate(*simulatedState(action)); return;
    }
}

}  // namespace quorvel
