#include "app/windows/hosting/PaintedWindow.hpp"

#include <QBitmap>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMetaObject>
#include <QMouseEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QPaintEvent>
#include <QStyleHints>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "app/windows/hosting/PaintedAccessible.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "platform/qt/X11WindowProperties.hpp"

namespace quorvel {
namespace {

Qt::WindowFlags flagsFor(PaintedWindow::Kind kind) {
    switch (kind) {
        case PaintedWindow::Kind::window: return Qt::Window | Qt::FramelessWindowHint;
        case PaintedWindow::Kind::floatingPanel:
            return Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus;
    }
    return Qt::Window;
}

bool canBeTranslucent() {
    const QString platform = QGuiApplication::platformName();
    // Wayland compositors always blend; on X11 only a compositing manager does.
    if (platform.startsWith(QLatin1String("wayland"))) return true;
    if (platform == QLatin1String("xcb")) return X11WindowProperties::compositorRunning();
    return platform == QLatin1String("offscreen");
}

}  // namespace

PaintedWindow::PaintedWindow(Kind kind, std::unique_ptr<PaintedContent> content, QString title)
    : QWidget(nullptr, flagsFor(kind)), kind_(kind), content_(std::move(content)) {
    PaintedAccessible::installFactory();
    setWindowTitle(title);
    setAccessibleName(title);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Qt shows tooltips only in the active window otherwise, and this window rarely is one.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFixedSize(content_->size());
    setFocusPolicy(kind_ == Kind::window ? Qt::ClickFocus : Qt::NoFocus);
    setMouseTracking(true);
    translucent_ = canBeTranslucent();
    if (translucent_) {
        setAttribute(Qt::WA_TranslucentBackground);
    } else {
        setAttribute(Qt::WA_OpaquePaintEvent);
        updateShape();
    }
    content_->onUpdate([this](const QRect& area) {
        if (!isVisible()) return;
        // Past a few, the region is painted in one go anyway (see paintScaled).
        if (scale_ != 1 && requested_.size() <= 4) requested_.push_back(area);
        update(windowArea(area));
    });
}

QSize PaintedWindow::scaledSize(QSize size, double scale) {
    // A hair under a whole pixel counts as whole, so a scale made to fit a height gives it.
    const auto scaled = [scale](int length) { return std::max(1, static_cast<int>(std::floor(length * scale + 1e-6))); };
    return {scaled(size.width()), scaled(size.height())};
}

void PaintedWindow::setContentScale(double scale) {
    if (!std::isfinite(scale) || scale > 1) scale = 1;
    // A screen too small for usable content still gets a window that can be read and moved.
    scale = std::max(scale, 0.25);
    if (scale == scale_) return;
    scale_ = scale;
    contentImage_ = QImage();
    requested_.clear();
    setFixedSize(scaledSize(content_->size(), scale_));
    updateShape();
    update();
}

QRect PaintedWindow::windowArea(const QRect& contentArea) const {
    if (scale_ == 1) return contentArea;
    return toWindow(QRectF(contentArea)).toAlignedRect().adjusted(-1, -1, 1, 1).intersected(rect());
}

PaintedWindow::~PaintedWindow() = default;

void PaintedWindow::updateShape() {
    if (translucent_) return;
    QImage image(content_->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        content_->paint(painter);
    }
    if (scale_ != 1) image = image.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    setMask(QBitmap::fromImage(image.createAlphaMask(Qt::ThresholdAlphaDither)));
}

void PaintedWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // A few separate areas (the screen and the drive while a motion plays) are painted one by
    // one, so the content can paint just each; anything more scattered is painted in one go.
    const QRegion& region = event->region();
    if (scale_ != 1) {
        paintScaled(painter, region);
        return;
    }
    std::vector<QRect> areas(region.begin(), region.end());
    if (areas.empty() || areas.size() > 4) areas = {event->rect()};
    for (const QRect& area : areas) {
        painter.save();
        painter.setClipRect(area);
        if (content_->coversOpaquely(area)) {
            // Whatever the window held there is painted over.
        } else if (translucent_) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(area, Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            // Under the mask's edge, half-clear pixels of the content blend with this, not garbage.
            painter.fillRect(area, drawing::toQColor(Tokens::black));
        }
        content_->paint(painter);
        painter.restore();
    }
}

void PaintedWindow::paintScaled(QPainter& painter, const QRegion& region) {
    if (contentImage_.size() != content_->size()) {
        contentImage_ = QImage(content_->size(), QImage::Format_ARGB32_Premultiplied);
        contentImage_.fill(Qt::transparent);
    }
    // The content's areas that changed, each painted on its own as at full size, when they are
    // a few and make up the region; otherwise (an expose, a new scale) the content's pixels the
    // region's smoothed pixels are made from, in one go. The image keeps the rest as painted.
    std::vector<QRect> contentAreas = std::exchange(requested_, {});
    QRegion covered;
    for (const QRect& area : contentAreas) covered += windowArea(area);
    if (contentAreas.empty() || contentAreas.size() > 4 || !region.subtracted(covered).isEmpty()) {
        contentAreas = {QRectF(QPointF(region.boundingRect().topLeft()) / scale_,
                               QSizeF(region.boundingRect().size()) / scale_)
                            .toAlignedRect()
                            .adjusted(-2, -2, 2, 2)};
    }
    {
        QPainter offscreen(&contentImage_);
        for (const QRect& requested : contentAreas) {
            const QRect contentArea = requested.intersected(QRect(QPoint(), content_->size()));
            offscreen.save();
            offscreen.setClipRect(contentArea);
            offscreen.setCompositionMode(QPainter::CompositionMode_Source);
            offscreen.fillRect(contentArea, Qt::transparent);
            offscreen.setCompositionMode(QPainter::CompositionMode_SourceOver);
            content_->paint(offscreen);
            offscreen.restore();
        }
    }
    painter.setClipRegion(region);
    if (translucent_) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(region.boundingRect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        painter.fillRect(region.boundingRect(), drawing::toQColor(Tokens::black));
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(rect()), contentImage_);
}

void PaintedWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressedControl_ = content_->press(toContent(event->position()));
    // A click is no move: a tap on a touchpad presses and releases within milliseconds, and a
    // move the window manager started on the press would go on after the release.
    if (!pressedControl_) pendingMove_ = PendingMove{event->globalPosition(), pos()};
    event->accept();
}

void PaintedWindow::mouseMoveEvent(QMouseEvent* event) {
    if (pressedControl_) {
        content_->drag(toContent(event->position()));
    } else if (ownMove_) {
        move(ownMove_->window + (event->globalPosition() - ownMove_->pointer).toPoint());
    } else if (pendingMove_ && (event->buttons() & Qt::LeftButton)) {
        const QPointF travelled = event->globalPosition() - pendingMove_->pointer;
        if (travelled.manhattanLength() >= QGuiApplication::styleHints()->startDragDistance()) {
            const PendingMove start = *pendingMove_;
            pendingMove_.reset();
            // The window manager takes it from here; without one, the window follows the pointer.
            if (windowHandle() == nullptr || !windowHandle()->startSystemMove()) {
                ownMove_ = start;
                move(start.window + travelled.toPoint());
            }
        }
    } else if (event->buttons() == Qt::NoButton) {
        pendingMove_.reset();
        content_->hover(toContent(event->position()));
    }
    event->accept();
}

void PaintedWindow::leaveEvent(QEvent* event) {
    content_->hover(std::nullopt);
    QWidget::leaveEvent(event);
}

QString PaintedWindow::toolTipAt(QPointF point) const {
    const bool trayShown = !trayShown_ || trayShown_();
    return content_->toolTip(toContent(point), trayShown ? HideKey::Recall::tray : HideKey::Recall::launcher);
}

std::vector<AccessibleControl> PaintedWindow::controls() const {
    // In the window's pixels, which may draw the content smaller.
    std::vector<AccessibleControl> controls = content_->controls();
    for (AccessibleControl& control : controls) control.rect = toWindow(control.rect);
    return controls;
}

void PaintedWindow::activate(std::size_t index) { content_->activate(index); }

QString PaintedWindow::describe(const AccessibleControl& control) const { return toolTipAt(control.rect.center()); }

bool PaintedWindow::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), text, this);
        }
        return true;
    }
    return QWidget::event(event);
}

void PaintedWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pendingMove_.reset();
        ownMove_.reset();
        if (pressedControl_) {
            pressedControl_ = false;
            content_->release(toContent(event->position()));
        }
    }
    event->accept();
}

void PaintedWindow::closeEvent(QCloseEvent* event) {
    // The window is kept for the life of the app; the owner decides what a close means.
    event->ignore();
    if (closeRequest_) closeRequest_();
}

void PaintedWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (contextMenu_) contextMenu_(event->globalPos());
    event->accept();
}

void PaintedWindow::showEvent(QShowEvent* event) {
    // Before the window is mapped: the hints the window manager reads as it takes it on.
    if (kind_ == Kind::floatingPanel) {
        winId();
        if (QWindow* handle = windowHandle()) X11WindowProperties::markFloatingPanel(*handle);
        // And once the show has mapped it, the same as a request: hidden and shown again
        // quickly, the window can meet a manager that clears those hints as it lets go of
        // the earlier showing.
        QMetaObject::invokeMethod(
            this,
            [this] {
                QWindow* handle = windowHandle();
                if (handle != nullptr && isVisible()) X11WindowProperties::askForFloatingPanel(*handle);
            },
            Qt::QueuedConnection);
    }
    QWidget::showEvent(event);
    if (shownChanged_) shownChanged_(true);
}

void PaintedWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    pendingMove_.reset();
    ownMove_.reset();
    if (pressedControl_) {
        pressedControl_ = false;
        content_->release(QPointF(-1, -1));
    }
    if (shownChanged_) shownChanged_(false);
}

}  // namespace quorvel
