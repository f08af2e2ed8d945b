#include "app/windows/HostedWindow.hpp"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <utility>

#include "app/windows/WindowPlacement.hpp"

namespace quorvel {

// The window manager frames a window only as it maps it, so a title bar the first fit could
// not know of may push the frame past the screen's edge: the window is fitted again as it
// first appears after each show.
class HostedWindow::FitWhenFramed final : public QObject {
public:
    explicit FitWhenFramed(HostedWindow& host) : host_(host) {}
    void arm() { armed_ = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (armed_ && event->type() == QEvent::Expose && host_.window_ && host_.window_->windowHandle() != nullptr &&
            host_.window_->windowHandle()->isExposed()) {
            armed_ = false;
            host_.fitOnScreen();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    HostedWindow& host_;
    bool armed_ = false;
};

namespace {

const QScreen* screenOf(const QWidget& window) {
    if (const QScreen* screen = QGuiApplication::screenAt(window.frameGeometry().center())) return screen;
    return QGuiApplication::primaryScreen();
}

}  // namespace

HostedWindow::HostedWindow(std::string title, std::string autosaveName, Make make, KeyValueStore& defaults,
                           WindowKeys::MenuCommand menuCommand)
    : title_(std::move(title)),
      autosaveName_(std::move(autosaveName)),
      make_(std::move(make)),
      defaults_(defaults),
      menuCommand_(std::move(menuCommand)) {}

HostedWindow::~HostedWindow() {
    // The frame is saved on the way out, while the window still exists.
    frameAutosave_.reset();
    fitWhenFramed_.reset();
}

void HostedWindow::makeWindow() {
    // Titled, closable and minimisable; never maximised.
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    window_->setWindowTitle(QString::fromStdString(title_));
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    int minimumHeight = 0;
    int maximumHeight = QWIDGETSIZE_MAX;
    if (std::unique_ptr<QWidget> root = make_ ? make_() : nullptr) {
        minimumHeight = root->minimumHeight();
        maximumHeight = root->maximumHeight();
        layout->addWidget(root.release());
    }
    const QSize ideal = window_->sizeHint().expandedTo(QSize(1, 1));
    if (minimumHeight <= 0) minimumHeight = maximumHeight = ideal.height();
    window_->setFixedWidth(ideal.width());
    window_->setMinimumHeight(minimumHeight);
    window_->setMaximumHeight(maximumHeight);
    window_->resize(ideal.width(), std::clamp(ideal.height(), minimumHeight, maximumHeight));
    WindowKeys::install(*window_, menuCommand_, [this] { window_->close(); });

    frameAutosave_ = std::make_unique<WindowFrameAutosave>(*window_, defaults_, autosaveName_);
    if (!frameAutosave_->restore()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect centred(QPoint(), window_->size());
            centred.moveCenter(screen->availableGeometry().center());
            window_->move(centred.topLeft());
        }
    }
    fitWhenFramed_ = std::make_unique<FitWhenFramed>(*this);
    window_->winId();
    if (QWindow* handle = window_->windowHandle()) handle->installEventFilter(fitWhenFramed_.get());
}

void HostedWindow::fitOnScreen() {
    const QScreen* screen = screenOf(*window_);
    if (screen == nullptr) return;
    const QRectF available(screen->availableGeometry());
    const int frameExtra = window_->frameGeometry().height() - window_->height();
    const int room = static_cast<int>(available.height()) - frameExtra;
    if (window_->height() > room) window_->resize(window_->width(), std::max(room, window_->minimumHeight()));
    const QRectF frame(window_->frameGeometry());
    const QPointF place = WindowPlacement::inside(frame, available);
    if (place != frame.topLeft()) {
        window_->move(static_cast<int>(std::lround(place.x())), static_cast<int>(std::lround(place.y())));
    }
}

void HostedWindow::show() {
    if (!window_) makeWindow();
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    fitOnScreen();
    fitWhenFramed_->arm();
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
