#include "app/windows/HostedWindow.hpp"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <utility>

namespace quorvel {

HostedWindow::HostedWindow(std::string title, std::string autosaveName, Make make, KeyValueStore& defaults)
    : title_(std::move(title)), autosaveName_(std::move(autosaveName)), make_(std::move(make)), defaults_(defaults) {}

HostedWindow::~HostedWindow() {
    // The frame is saved on the way out, while the window still exists.
    frameAutosave_.reset();
}

void HostedWindow::makeWindow() {
    // Titled, closable and minimisable; not resizable.
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    window_->setWindowTitle(QString::fromStdString(title_));
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    if (std::unique_ptr<QWidget> root = make_ ? make_() : nullptr) layout->addWidget(root.release());
    window_->setFixedSize(window_->sizeHint().expandedTo(QSize(1, 1)));

    frameAutosave_ = std::make_unique<WindowFrameAutosave>(*window_, defaults_, autosaveName_);
    if (!frameAutosave_->restore()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect centred(QPoint(), window_->size());
            centred.moveCenter(screen->availableGeometry().center());
            window_->move(centred.topLeft());
        }
    }
}

void HostedWindow::show() {
    if (!window_) makeWindow();
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    // Without a display there is nothing to bring forward (and Qt would complain).
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    window_->raise();
    window_->activateWindow();
}

void HostedWindow::hide() {
    if (window_) window_->hide();
}

}  // namespace quorvel
