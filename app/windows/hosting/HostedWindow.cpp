#include "app/windows/hosting/HostedWindow.hpp"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <optional>
#include <cmath>
#include <utility>
#include <vector>

#include "app/windows/hosting/ScreenFrames.hpp"
#include "app/windows/hosting/WindowPlacement.hpp"

namespace quorvel {

using ScreenFrames::mainVisibleFrame;
using ScreenFrames::visibleFrames;

// Two moments the window is fitted again. The window manager frames a window only as it maps
// it, so a title bar the first fit could not know of may push the frame past the screen's
// edge: the window is fitted again as it first appears after each show. And a view that
// keeps its ideal height grows or shrinks with what it shows (a line appears, a button's
// words change): the window follows once the view's layout has settled.
class HostedWindow::Refit final : public QObject {
public:
    explicit Refit(HostedWindow& host) : host_(host) {
        contentTimer_.setSingleShot(true);
        contentTimer_.setInterval(0);
        connect(&contentTimer_, &QTimer::timeout, this, [this] { host_.fitContent(); });
    }
    void armForFrame() { armed_ = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::LayoutRequest && watched == host_.content_) {
            contentTimer_.start();
        } else if (armed_ && event->type() == QEvent::Expose && host_.window_ &&
                   host_.window_->windowHandle() != nullptr && host_.window_->windowHandle()->isExposed()) {
            armed_ = false;
            host_.fitOnScreen();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    HostedWindow& host_;
    bool armed_ = false;
    QTimer contentTimer_;
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
    if (content_ != nullptr && refit_) content_->removeEventFilter(refit_.get());
    refit_.reset();
}

void HostedWindow::makeWindow() {
    // Titled, closable and minimisable; never maximised.
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    window_->setWindowTitle(QString::fromStdString(title_));
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    std::unique_ptr<QWidget> root = make_ ? make_() : nullptr;
    if (!root) root = std::make_unique<QWidget>();
    content_ = root.get();
    keepsIdealHeight_ = content_->minimumHeight() <= 0;
    if (keepsIdealHeight_) {
        // Its height is the view's, up to the screen's; past that it scrolls.
        scroll_ = new QScrollArea;
        scroll_->setFrameShape(QFrame::NoFrame);
        scroll_->setWidgetResizable(true);
        scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll_->setWidget(root.release());
        layout->addWidget(scroll_);
        fitContent();
    } else {
        const QSize ideal = idealSize();
        window_->setFixedWidth(ideal.width());
        window_->setMinimumHeight(content_->minimumHeight());
        window_->setMaximumHeight(content_->maximumHeight());
        window_->resize(ideal.width(), std::clamp(ideal.height(), content_->minimumHeight(), content_->maximumHeight()));
        layout->addWidget(root.release());
    }
    WindowKeys::install(*window_, menuCommand_, [this] { window_->close(); });

    frameAutosave_ = std::make_unique<WindowFrameAutosave>(*window_, defaults_, autosaveName_);
    firstPlace_ = !frameAutosave_->restore();
    if (firstPlace_) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect centred(QPoint(), window_->size());
            centred.moveCenter(screen->availableGeometry().center());
            window_->move(centred.topLeft());
        }
    }
    refit_ = std::make_unique<Refit>(*this);
    content_->installEventFilter(refit_.get());
    window_->winId();
    if (QWindow* handle = window_->windowHandle()) handle->installEventFilter(refit_.get());
}

QSize HostedWindow::idealSize() const {
    QSize hint = content_->sizeHint();
    if (!hint.isValid()) hint = QSize(0, 0);
    hint = hint.expandedTo(content_->minimumSize()).boundedTo(content_->maximumSize());
    // Wrapped text needs the height its lines take at the view's width, which a plain size
    // hint guesses at another width.
    if (keepsIdealHeight_ && content_->hasHeightForWidth()) {
        const int height = content_->heightForWidth(hint.width());
        if (height > 0) hint.setHeight(std::clamp(height, content_->minimumHeight(), content_->maximumHeight()));
    }
    return hint.expandedTo(QSize(1, 1));
}

int HostedWindow::roomOnScreen() const {
    const QScreen* screen = screenOf(*window_);
    if (screen == nullptr) return INT_MAX;
    const int frameExtra = window_->frameGeometry().height() - window_->height();
    return std::max(screen->availableGeometry().height() - frameExtra, 1);
}

void HostedWindow::fitContent() {
    if (!window_ || !keepsIdealHeight_) return;
    const QScreen* screen = screenOf(*window_);
    const bool wasInside = screen != nullptr && screen->availableGeometry().contains(window_->frameGeometry());
    const QSize ideal = idealSize();
    const int room = roomOnScreen();
    const bool scrolls = ideal.height() > room;
    const int width = ideal.width() + (scrolls ? scroll_->verticalScrollBar()->sizeHint().width() : 0);
    const QSize fitted(width, scrolls ? room : ideal.height());
    if (fitted == window_->size() && window_->minimumSize() == window_->maximumSize()) return;
    const QSize frameExtra = window_->frameGeometry().size() - window_->size();
    window_->setFixedSize(fitted);
    // A window that lay inside the screen still does once it has grown.
    if (wasInside && window_->isVisible()) {
        const QRectF frame(window_->frameGeometry().topLeft(), fitted + frameExtra);
        const QPointF place = WindowPlacement::inside(frame, QRectF(screen->availableGeometry()));
        if (place != frame.topLeft()) {
            window_->move(static_cast<int>(std::lround(place.x())), static_cast<int>(std::lround(place.y())));
        }
    }
}

void HostedWindow::fitOnScreen() {
    const QScreen* screen = screenOf(*window_);
    if (screen == nullptr) return;
    if (keepsIdealHeight_) {
        fitContent();
    } else {
        const int room = roomOnScreen();
        if (window_->height() > room) window_->resize(window_->width(), std::max(room, window_->minimumHeight()));
    }
    const QRectF frame(window_->frameGeometry());
    // A first place lies inside the screen; a place the user chose is kept while the window
    // still meets a screen, as the device's is.
    const std::optional<QPointF> place =
        firstPlace_ ? std::optional<QPointF>(WindowPlacement::inside(frame, QRectF(screen->availableGeometry())))
                    : WindowPlacement::deviceShowPlace(frame, visibleFrames(), mainVisibleFrame());
    if (place && *place != frame.topLeft()) {
        window_->move(static_cast<int>(std::lround(place->x())), static_cast<int>(std::lround(place->y())));
    }
}

void HostedWindow::show() {
    if (window_) {
        firstPlace_ = false;
    } else {
        makeWindow();
    }
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    fitOnScreen();
    refit_->armForFrame();
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
