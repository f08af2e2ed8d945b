#include "app/windows/QuorvelMacApp.hpp"

#include <QApplication>
#include <QPointer>

#include "app/model/DesktopServices.hpp"
#include "app/windows/QtAppWindows.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/Logger.hpp"

namespace quorvel {
namespace {

bool hasVisibleWindows() {
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->isWindow() && !(widget->windowFlags() & Qt::Popup)) return true;
    }
    return false;
}

}  // namespace

QuorvelMacApp::QuorvelMacApp(MacAppDelegate& delegate) {
    // The app lives in the tray: closing its last window doesn't end it.
    QApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setApplicationDisplayName(QString::fromUtf8(Quorvel::displayName));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(Quorvel::macBundleID));

    taskbar_ = std::make_unique<TaskbarPresence>();
    designSheet_ = std::make_unique<DesignSheetScene>();
    model_ = makeModel(*taskbar_);

    observeNotifications(AppNotifications::defaultCenter(), *model_);

    menuBarExtra_ = std::make_unique<MenuBarExtra>(QString::fromUtf8(Quorvel::displayName));
    menu_ = std::make_unique<MenuBarController>(*model_, *menuBarExtra_, *designSheet_);
    menuBarExtra_->onActivated([&delegate] { delegate.applicationShouldHandleReopen(hasVisibleWindows()); });
    if (!menuBarExtra_->show() && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        Logger(Quorvel::macBundleID, "App").notice("No system tray found: the menu-bar menu can't be shown");
    }
}

QuorvelMacApp::~QuorvelMacApp() = default;

void QuorvelMacApp::observeNotifications(AppNotifications& notifications, AppModel& model) {
    // Held weakly and never removed: once the model is gone a notice does nothing.
    notifications.addObserver(AppNotifications::phoneRecordsChanged, [weak = QPointer<AppModel>(&model)] {
        if (weak) weak->phoneRecordsChanged();
    });
    notifications.addObserver(AppNotifications::dockIconClicked, [weak = QPointer<AppModel>(&model)] {
        if (weak) weak->dockIconClicked();
    });
}

std::unique_ptr<AppModel> QuorvelMacApp::makeModel(TaskbarPresence& taskbar) {
    AppServices services = makeDesktopServices();
    services.windows = std::make_unique<QtAppWindows>(services.defaults, taskbar);
    return std::make_unique<AppModel>(std::move(services));
}

void QuorvelMacApp::becomeRegularApp() {
    taskbar_->setShown(true);
    TaskbarPresence::activateApp();
}

}  // namespace quorvel
