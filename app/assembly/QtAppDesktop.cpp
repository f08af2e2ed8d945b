#include "app/assembly/QtAppDesktop.hpp"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>

#include "kit/engine/Quorvel.hpp"

namespace quorvel {

QtAppDesktop::QtAppDesktop(TaskbarPresence& taskbar) : taskbar_(taskbar), logger_(Quorvel::macBundleID, "Windows") {}

void QtAppDesktop::showErrorAlert(const std::string& message) {
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

std::optional<std::string> QtAppDesktop::chooseFile(const std::string& title) {
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

void QtAppDesktop::openFolder(const std::string& path) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)))) {
        logger_.error("Couldn't open " + path);
    }
}

void QtAppDesktop::setShowsInDock(bool shown) {
    taskbar_.setShown(shown);
    if (shown) TaskbarPresence::activateApp();
}

}  // namespace quorvel
