#include "app/windows/QtAppWindows.hpp"

#include <QDesktopServices>
#include <QEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <functional>

#include "app/model/AppModel.hpp"
#include "app/windows/DeviceWindowController.hpp"
#include "app/windows/FinishedView.hpp"
#include "app/windows/HostedWindow.hpp"
#include "app/windows/StripPanelController.hpp"
#include "app/windows/SettingsView.hpp"
#include "app/windows/SetupView.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/qt/DesktopReduceMotion.hpp"

namespace quorvel {
QtAppWindows::QtAppWindows(std::shared_ptr<KeyValueStore> defaults, TaskbarPresence& taskbar)
    : defaults_(std::move(defaults)), taskbar_(taskbar), logger_(Quorvel::macBundleID, "Windows") {}

WindowLinks QtAppWindows::links() {
    // Looked up at each use: the menu is set after the windows' maker is made.
    return {[this](QPoint at) {
                if (contextMenu_) contextMenu_(at);
            },
            [this](MenuBarAction action) {
                if (menuCommand_) menuCommand_(action);
            },
            [this] { return !trayShown_ || trayShown_(); }};
}

ReduceMotion& QtAppWindows::reduceMotion() {
    if (!reduceMotion_) {
        // Without a display there is no desktop to ask, and nothing moves on screen anyway.
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            reduceMotion_ = std::make_unique<FixedReduceMotion>(false);
        } else {
            reduceMotion_ = std::make_unique<DesktopReduceMotion>();
        }
    }
    return *reduceMotion_;
}

std::unique_ptr<WindowHost> QtAppWindows::makeDeviceWindow(AppModel& model) {
    return std::make_unique<DeviceWindowController>(model, *defaults_, reduceMotion(), clock_, links());
}

std::unique_ptr<WindowHost> QtAppWindows::makeStripPanel(AppModel& model) {
    return std::make_unique<StripPanelController>(model, *defaults_, reduceMotion(), clock_, links());
}

std::unique_ptr<WindowHost> QtAppWindows::makeHostedWindow(const HostedWindowSpec& spec, AppModel& model) {
    HostedWindow::Make make;
    switch (spec.content) {
        case HostedWindowSpec::Content::settings: make = [&model] { return std::make_unique<SettingsView>(model); }; break;
        case HostedWindowSpec::Content::setup: make = [&model] { return std::make_unique<SetupView>(model); }; break;
        case HostedWindowSpec::Content::finished:
            make = [&model, clock = clock_] { return std::make_unique<FinishedView>(model, clock); };
            break;
    }
    return std::make_unique<HostedWindow>(spec.title, spec.autosaveName, std::move(make), *defaults_,
                                          links().menuCommand);
}

void QtAppWindows::showErrorAlert(const std::string& message) {
    const std::string heading = std::string(Quorvel::displayName) + " couldn't do that";
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        logger_.error(heading + ": " + message);
        return;
    }
    QMessageBox alert(QMessageBox::Warning, QString::fromUtf8(Quorvel::displayName), QString::fromStdString(heading),
                      QMessageBox::Ok);
    alert.setInformativeText(QString::fromStdString(message));
    // Error texts quote paths and file contents: shown as they are, never as markup.
    alert.setTextFormat(Qt::PlainText);
    if (auto* informative = alert.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        informative->setTextFormat(Qt::PlainText);
    }
    TaskbarPresence::activateApp();
    alert.exec();
}

std::optional<std::string> QtAppWindows::chooseFile(const std::string& title) {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        logger_.error("No display to choose a file on: " + title);
        return std::nullopt;
    }
    QFileDialog panel(nullptr, QString::fromStdString(title));
    panel.setFileMode(QFileDialog::ExistingFile);
    panel.setAcceptMode(QFileDialog::AcceptOpen);
    panel.setDirectory(lastChosenFolder_.isEmpty() ? QDir::homePath() : lastChosenFolder_);
    TaskbarPresence::activateApp();
    if (panel.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = panel.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
    lastChosenFolder_ = QFileInfo(chosen.front()).absolutePath();
    return chosen.front().toStdString();
}

void QtAppWindows::openFolder(const std::string& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
        logger_.error("Couldn't open " + path);
    }
}

void QtAppWindows::setShowsInDock(bool shown) {
    taskbar_.setShown(shown);
    if (shown) TaskbarPresence::activateApp();
}

}  // namespace quorvel
