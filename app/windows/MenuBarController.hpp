#pragma once
// Keeps the menu-bar extra in step with the model: its menu and icon are rebuilt from a
// snapshot of the model after every change the menu reads (and just before the menu opens,
// so its times are current), and its clicks go to the model. Main thread.
#include <QObject>
#include <memory>
#include <string>

#include "app/core/MenuBarAction.hpp"
#include "app/core/MenuBarMenu.hpp"
#include "app/install/HookInstaller.hpp"
#include "app/windows/DesignSheetScene.hpp"
#include "platform/Instant.hpp"
#include "platform/qt/MenuBarExtra.hpp"

namespace quorvel {

class AppModel;

class MenuBarController final : public QObject {
    Q_OBJECT

public:
    /// All three must outlive the controller; `clock` is the model's, for the times in the
    /// session lines. Fills the menu at once.
    MenuBarController(AppModel& model, MenuBarExtra& extra, DesignSheetScene& designSheet,
                      std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>());

    /// What the menu shows of `model` at `now`.
    static MenuBarMenu::Snapshot snapshot(const AppModel& model, Instant now);
    static MenuBarMenu::HookStatus menuHookStatus(const HookInstaller::Status& status);

    /// Rebuilds the menu and the icon from the model now.
    void refresh();
    /// Carries out a click: `action` as the menu sends it, `checked` the switch's new value.
    void perform(const std::string& action, bool checked);
    /// Carries out `action` as a click on its item would. Quit ends the event loop with
    /// status 0, as a termination signal does: the windows are not asked to close first (a
    /// face window would hide instead, and record that as the user's choice), and the model's
    /// orderly shutdown runs once the loop has ended.
    void perform(MenuBarAction action, bool checked);

private:
    /// One refresh after the changes of the current event, however many there were.
    void scheduleRefresh();

    AppModel& model_;
    MenuBarExtra& extra_;
    DesignSheetScene& designSheet_;
    std::shared_ptr<const Clock> clock_;
    bool refreshScheduled_ = false;
};

}  // namespace quorvel
