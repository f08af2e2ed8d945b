#pragma once
// The app's top level once start-up has passed its checks: it owns the one model for the
// life of the process, the menu-bar extra with its menu (the app's main interface) and the
// design-sheet window. Main thread; needs the Qt application object.
#include <memory>

#include "app/core/AppNotifications.hpp"
#include "app/core/MacAppDelegate.hpp"
#include "app/model/AppModel.hpp"
#include "app/windows/DesignSheetScene.hpp"
#include "app/windows/MenuBarController.hpp"
#include "platform/qt/MenuBarExtra.hpp"
#include "platform/qt/TaskbarPresence.hpp"

namespace quorvel {

class QuorvelMacApp {
public:
    /// Makes the model, which starts everything else, and puts the menu in the tray. A click
    /// on the tray icon reaches `delegate` (which must outlive the app) as a reopen.
    explicit QuorvelMacApp(MacAppDelegate& delegate);
    ~QuorvelMacApp();
    QuorvelMacApp(const QuorvelMacApp&) = delete;
    QuorvelMacApp& operator=(const QuorvelMacApp&) = delete;

    /// The one place the model is made: the desktop's services with this app's windows.
    static std::unique_ptr<AppModel> makeModel(TaskbarPresence& taskbar);

    /// The delegate's notices on `notifications` reach `model` for as long as it exists: a
    /// reopen shows the device, a change of the phone's records syncs with the phone.
    static void observeNotifications(AppNotifications& notifications, AppModel& model);

    AppModel& model() { return *model_; }

    /// In the taskbar like any other app, and brought forward.
    void becomeRegularApp();

private:
    std::unique_ptr<TaskbarPresence> taskbar_;
    std::unique_ptr<DesignSheetScene> designSheet_;
    std::unique_ptr<AppModel> model_;
    std::unique_ptr<MenuBarExtra> menuBarExtra_;
    std::unique_ptr<MenuBarController> menu_;
};

}  // namespace quorvel
