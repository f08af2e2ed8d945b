#include "app/windows/QtAppWindows.hpp"

#include <QDesktopServices>
#include <QEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <functional>

#include "app/model/AppModel.hpp"
#include "app/windows/HostedWindow.hpp"
#include "app/windows/PlaceholderView.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {
namespace {

// The device window and the strip panel until they are built: a hosted stand-in that tells
// the model when the user closes it, so the menu's switch stays true to what is on screen.
class StandInWindow final : public QObject, public WindowHost {
public:
    StandInWindow(std::unique_ptr<HostedWindow> hosted, std::function<void()> closed)
        : hosted_(std::move(hosted)), closed_(std::move(closed)) {}

    void show() override {
        const bool made = hosted_->window() != nullptr;
        hosted_->show();
        if (!made) hosted_->window()->installEventFilter(this);
    }
    void hide() override { hosted_->hide(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && watched == hosted_->window() && closed_) {
            QMetaObject::invokeMethod(this, closed_, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::unique_ptr<HostedWindow> hosted_;
    std::function<void()> closed_;
};

HostedWindow::Make placeholder(const std::string& title) {
    return [title] { return std::make_unique<PlaceholderView>(QString::fromStdString(title)); };
}

}  // namespace

QtAppWindows::QtAppWindows(std::shared_ptr<KeyValueStore> defaults, TaskbarPresence& taskbar)
    : defaults_(std::move(defaults)), taskbar_(taskbar), logger_(Quorvel::macBundleID, "Windows") {}

std::unique_ptr<WindowHost> QtAppWindows::makeDeviceWindow(AppModel& model) {
    const std::string title = Quorvel::displayName;
    return std::make_unique<StandInWindow>(
        std::make_unique<HostedWindow>(title, "QuorvelDeviceWindow", placeholder(title), *defaults_),
        [model = QPointer<AppModel>(&model)] {
            if (model) model->setDeviceVisible(false);
        });
}

std::unique_ptr<WindowHost> QtAppWindows::makeStripPanel(AppModel& model) {
    const std::string title = std::string(Quorvel::displayName) + " strip";
    return std::make_unique<StandInWindow>(
        std::make_unique<HostedWindow>(title, "QuorvelCompactStrip", placeholder(title), *defaults_),
        [model = QPointer<AppModel>(&model)] {
            if (model) model->setStripVisible(false);
        });
}

std::unique_ptr<WindowHost> QtAppWindows::makeHostedWindow(const HostedWindowSpec& spec, AppModel&) {
    return std::make_unique<HostedWindow>(spec.title, spec.autosaveName, placeholder(spec.title), *defaults_);
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
    TaskbarPresence::activateApp();
    if (panel.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = panel.selectedFiles();
    if (chosen.isEmpty()) return std::nullopt;
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
