#include "app/assembly/QuorvelMacApp.hpp"

#include <QApplication>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QSessionManager>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/assembly/QtAppDesktop.hpp"
#include "app/assembly/QtWindowFactory.hpp"
#include "app/model/DesktopServices.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {
namespace {

bool hasVisibleWindows() {
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->isWindow() && !(widget->windowFlags() & Qt::Popup)) return true;
    }
    return false;
}

}  // namespace

QuorvelMacApp::QuorvelMacApp(MacAppDelegate& delegate) : delegate_(delegate) {
    // The app lives in the tray: closing its last window doesn't end it.
    QApplication::setQuitOnLastWindowClosed(false);
    // No application display name: Qt would add it to every window title ("Finished —
    // Quorvel"), and the titles are the windows' own.
    // The launcher entry's name, which the desktop matches windows to.
    QGuiApplication::setDesktopFileName(QString::fromUtf8(Quorvel::desktopEntryName));

    // First, so that a request to end comes as a Qt signal from here on, not as a kill.
    terminationSignals_ = std::make_unique<TerminationSignals>();
    taskbar_ = std::make_unique<TaskbarPresence>();
    designSheet_ = std::make_unique<DesignSheetScene>();
    AppServices services = makeDesktopServices();
    const std::shared_ptr<KeyValueStore> defaults = services.defaults;
    services.desktop = std::make_unique<QtAppDesktop>(*taskbar_);
    model_ = std::make_unique<AppModel>(std::move(services));
    sources_ = std::make_unique<AppModelSources>(*model_);
    // The links look up the menu and the tray watch when used: both are made below.
    WindowLinks links{[this](QPoint at) { openContextMenu(at); },
                      [this](MenuBarAction action) {
                          if (menu_) menu_->perform(action, false);
                      },
                      // Until the first look there is no telling; the tray is the usual case.
                      [this] { return !trayWatch_ || trayWatch_->available().value_or(true); }};
    windows_ = std::make_unique<WindowCoordinator>(std::make_unique<QtWindowFactory>(*sources_, defaults, links),
                                                   defaults);
    // A launch that comes while this copy quits finds nobody listening and waits for the lock
    // instead of handing its request to a copy that won't carry it out; so the channel closes
    // first, before the model's own shut-down.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, model_.get(), [this] {
        launchNotifier_.reset();
        launches_.reset();
    });
    shutDownCleanly(*model_, *terminationSignals_);

    observeNotifications(AppNotifications::defaultCenter(), *model_, *windows_);

    menuBarExtra_ = std::make_unique<MenuBarExtra>(QString::fromUtf8(Quorvel::displayName));
    menu_ = std::make_unique<MenuBarController>(sources_->menu(), *windows_, *menuBarExtra_, *designSheet_);
    menuBarExtra_->onActivated([&delegate] { delegate.applicationShouldHandleReopen(hasVisibleWindows()); });
    menuBarExtra_->show();
    // Without a display there is nothing to show in place of the tray.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        trayWatch_ = std::make_unique<TrayWatch>(*windows_, [] { return QSystemTrayIcon::isSystemTrayAvailable(); });
    }
}

void QuorvelMacApp::openContextMenu(QPoint at) {
    if (menuBarExtra_) menuBarExtra_->menu().popup(at);
}

void QuorvelMacApp::listenForLaunches(InstanceChannel channel) {
    launches_.emplace(std::move(channel));
    launchNotifier_ = std::make_unique<QSocketNotifier>(launches_->descriptor(), QSocketNotifier::Read);
    QObject::connect(launchNotifier_.get(), &QSocketNotifier::activated, [this] {
        if (const auto request = launches_->receive()) {
            Logger logger(Quorvel::macBundleID, "App");
            if (launches_->gaveWay()) {
                logger.notice("A launch on a display takes over from this copy, which has none; quitting");
                QCoreApplication::exit(0);
                return;
            }
            logger.info("A later launch asked for " + std::string(launchRequestWord(*request)));
            carryOut(*request);
        }
    });
}

void QuorvelMacApp::reportFolderProblem(const std::string& folder, const files::FileError& problem) {
    model_->sessions().noteFolderProblem("Can't keep the lock file in " + folder + " (" + std::strerror(problem.code) +
                              "): make it a real folder of yours and restart " + Quorvel::displayName);
}

void QuorvelMacApp::carryOut(LaunchRequest request) {
    // The helper's start: a running copy is left as it is, nothing comes to the front.
    if (request == LaunchRequest::background) return;
    if (request == LaunchRequest::reopen) {
        delegate_.applicationShouldHandleReopen(hasVisibleWindows());
        return;
    }
    if (menu_) menu_->perform(std::string(launchRequestWord(request)), true);
}

QuorvelMacApp::~QuorvelMacApp() = default;

void QuorvelMacApp::observeNotifications(AppNotifications& notifications, AppModel& model, WindowNavigator& windows) {
    // Held weakly and never removed: once the model or the windows are gone a notice does
    // nothing.
    notifications.addObserver(AppNotifications::phoneRecordsChanged, [weak = QPointer<AppModel>(&model)] {
        if (weak) weak->phone().phoneRecordsChanged();
    });
    notifications.addObserver(AppNotifications::dockIconClicked, [weak = QPointer<WindowNavigator>(&windows)] {
        // Queued on the navigator itself, so Qt drops the call should it go first.
        if (WindowNavigator* navigator = weak.data()) {
            QMetaObject::invokeMethod(navigator, [navigator] { navigator->setDeviceVisible(true); }, Qt::QueuedConnection);
        }
    });
}

void QuorvelMacApp::shutDownCleanly(AppModel& model, TerminationSignals& terminations) {
    QObject::connect(&terminations, &TerminationSignals::terminationRequested, &model, [](int signalNumber) {
        Logger(Quorvel::macBundleID, "App").notice("Asked to quit by signal " + std::to_string(signalNumber));
        QCoreApplication::exit(0);
    });
    // Emitted once the event loop has ended, whatever ended it; queued calls can still run.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &model, [&model] { model.shutDown(); });
    // The session is about to end (log-out): what would be lost is saved now, the sessions in
    // progress with the FINISHED list, in case the session manager (or the display going away)
    // ends the process without letting the event loop finish.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &model, [&model](QSessionManager&) {
        model.sessions().saveNow();
    });
}

void QuorvelMacApp::endNowIfWorkLeftBehind(int status) {
    if (!model_ || !model_->workLeftBehind()) return;
    // What sits above the model is taken apart as usual, in the usual order: the windows save
    // their frames and pending edits on the way out, and later launches find no socket of a
    // copy that is gone. The model and its services, which the stuck work may use, stay.
    launchNotifier_.reset();
    launches_.reset();
    trayWatch_.reset();
    menu_.reset();
    menuBarExtra_.reset();
    windows_.reset();
    sources_.reset();
    std::fflush(nullptr);
    std::_Exit(status);
}

void QuorvelMacApp::leaveFromInsideTheEventLoop() {
    // Qt has said why on standard error ("The X11 connection broke").
    Logger(Quorvel::macBundleID, "App").notice("Ended from inside the event loop (the display went away); quitting");
    launchNotifier_.reset();
    launches_.reset();
    model_->shutDown();
    std::fflush(nullptr);
    std::_Exit(0);
}

void QuorvelMacApp::becomeRegularApp() {
    taskbar_->setShown(true);
    TaskbarPresence::activateApp();
}

}  // namespace quorvel
