#pragma once
// Keeps the tray's menu in step with the app: its menu and icon are rebuilt from a snapshot
// after the app's or the windows' changes, once per batch (and just before the menu opens,
// so its times are current); its clicks go to the app or, for the windows,
// to the navigator. Main thread.
#include <QObject>
#include <memory>
#include <string>

#include "app/menu/MenuBarAction.hpp"
#include "app/menu/MenuBarMenu.hpp"
#include "app/menu/tray/MenuSource.hpp"
#include "app/windows/design/DesignSheetScene.hpp"
#include "app/windows/hosting/WindowNavigator.hpp"
#include "platform/qt/MenuBarExtra.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class MenuBarController final : public QObject {
    Q_OBJECT

public:
    /// All four must outlive the controller; `clock` is the app's, for the times in the
    /// session lines. Fills the menu at once.
    MenuBarController(MenuSource& source, WindowNavigator& navigator, MenuBarExtra& extra,
                      DesignSheetScene& designSheet, std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>());

    /// What the menu shows at `now`, the windows' switches included.
    MenuBarMenu::Snapshot snapshot(Instant now) const;

    /// Rebuilds the menu and the icon now.
    void refresh();
    /// Carries out a click: `action` as the menu sends it, `checked` the switch's new value.
    void perform(const std::string& action, bool checked);
    /// Carries out `action` as a click on its item would. Quit ends the event loop with
    /// status 0, as a termination signal does: the windows are not asked to close first (a
    /// painted window would hide instead, and record that as the user's choice), and the model's
    /// orderly shutdown runs once the loop has ended.
    void perform(MenuBarAction action, bool checked);

private:
    /// One refresh after the changes of the current event, however many there were.
    void scheduleRefresh();

    MenuSource& source_;
    WindowNavigator& navigator_;
    MenuBarExtra& extra_;
    DesignSheetScene& designSheet_;
    std::shared_ptr<const Clock> clock_;
    bool refreshScheduled_ = false;
};

}  // namespace quorvel
