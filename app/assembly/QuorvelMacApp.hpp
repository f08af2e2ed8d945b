#pragma once
// The app's top level once start-up has passed its checks: it owns the one model for the
// life of the process, the window coordinator with the surfaces' sources, the tray's menu
// (the app's main interface) and the design-sheet window. Main thread; needs the Qt
// application object.
#include <QPoint>
#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "app/assembly/AppModelSources.hpp"
#include "app/assembly/WindowCoordinator.hpp"
#include "app/windows/hosting/WindowLinks.hpp"
#include "app/instance/AppNotifications.hpp"
#include "app/instance/InstanceChannel.hpp"
#include "app/instance/LaunchRequest.hpp"
#include "app/instance/MacAppDelegate.hpp"
#include "app/menu/tray/MenuBarController.hpp"
#include "app/menu/tray/TrayWatch.hpp"
#include "app/model/AppModel.hpp"
#include "app/windows/design/DesignSheetScene.hpp"
#include "platform/qt/MenuBarExtra.hpp"
#include "platform/qt/TaskbarPresence.hpp"
#include "platform/qt/TerminationSignals.hpp"

namespace quorvel {

class QuorvelMacApp {
public:
    /// Makes the model, which starts everything else, and the window coordinator, which
    /// brings back the windows of the last run, and puts the menu in the tray. A click on the
    /// tray icon reaches `delegate` (which must outlive the app) as a reopen.
    explicit QuorvelMacApp(MacAppDelegate& delegate);
    ~QuorvelMacApp();
    QuorvelMacApp(const QuorvelMacApp&) = delete;
    QuorvelMacApp& operator=(const QuorvelMacApp&) = delete;

    /// The delegate's notices on `notifications` reach `model` and `windows` for as long as
    /// each exists: a reopen shows the device, a change of the phone's records syncs with the
    /// phone.
    static void observeNotifications(AppNotifications& notifications, AppModel& model, WindowNavigator& windows);

    AppModel& model() { return *model_; }

    /// In the taskbar like any other app, and brought forward.
    void becomeRegularApp();

    /// Later launches reach this copy through `channel`; each is carried out as it comes. A
    /// launch the channel gives way to (`InstanceChannel::gaveWay`) is not: this copy quits
    /// for it, as on the Quit item.
    void listenForLaunches(InstanceChannel channel);
    /// What a launch asked for: the reopen (as a click on the Dock icon would), or the menu's
    /// command.
    void carryOut(LaunchRequest request);

    /// The single-instance lock couldn't be kept in `folder` (`problem`): the user is told once
    /// what is wrong and how to mend it; this copy still runs as the only one.
    void reportFolderProblem(const std::string& folder, const files::FileError& problem);

    /// The tray's menu, opened at `at` (a global position) on the device or the strip.
    void openContextMenu(QPoint at);

    /// The process's end, from the Quit item (which ends the event loop with status 0 as a
    /// signal does, `MenuBarController::perform`), a termination signal (SIGTERM, SIGINT,
    /// SIGHUP) or the desktop's log-out, always goes through `AppModel::shutDown` once the
    /// event loop has ended, and a signal ends the process with status 0.
    static void shutDownCleanly(AppModel& model, TerminationSignals& terminations);

    /// After the event loop: when the model's quit left work behind (`AppModel::workLeftBehind`),
    /// takes apart the windows, the menu and the launch socket, then ends the process with
    /// `status` at once, leaving the model and its services as they are (the model's state is
    /// saved by then; the stuck work still holds threads and library state that taking them
    /// apart would free under it, or wait for without end). Otherwise returns.
    void endNowIfWorkLeftBehind(int status);

    /// The process is being ended from inside the event loop by a library (Qt's X11 platform
    /// when the display connection breaks): leaves as on SIGTERM, the launch socket closed
    /// and the model shut down (every event taken saved or spooled), then ends the process
    /// with status 0 at once. The windows are left as they are: their display is gone.
    [[noreturn]] void leaveFromInsideTheEventLoop();

private:
    MacAppDelegate& delegate_;
    std::unique_ptr<TerminationSignals> terminationSignals_;
    std::unique_ptr<TaskbarPresence> taskbar_;
    std::unique_ptr<DesignSheetScene> designSheet_;
    std::unique_ptr<AppModel> model_;
    // After the model, so they go before it; the windows before the sources they show.
    std::unique_ptr<AppModelSources> sources_;
    std::unique_ptr<WindowCoordinator> windows_;
    std::unique_ptr<MenuBarExtra> menuBarExtra_;
    std::unique_ptr<MenuBarController> menu_;
    std::unique_ptr<TrayWatch> trayWatch_;
    std::optional<InstanceChannel> launches_;
    std::unique_ptr<QSocketNotifier> launchNotifier_;
};

}  // namespace quorvel
