#include "app/windows/FaceWindow.hpp"

#include <QBitmap>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QPaintEvent>
#include <QStyleHints>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/windows/FaceAccessible.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/Painting.hpp"
#include "platform/qt/X11WindowProperties.hpp"

namespace quorvel {
namespace {

Qt::WindowFlags flagsFor(FaceWindow::Kind kind) {
    switch (kind) {
        case FaceWindow::Kind::window: return Qt::Window | Qt::FramelessWindowHint;
        case FaceWindow::Kind::floatingPanel:
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

FaceWindow::FaceWindow(Kind kind, std::unique_ptr<FaceContent> content, QString title)
    : QWidget(nullptr, flagsFor(kind)), kind_(kind), content_(std::move(content)) {
    FaceAccessible::installFactory();
    setWindowTitle(title);
    setAccessibleName(title);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Qt shows tooltips only in the active window otherwise, and the face rarely is one.
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
        if (isVisible()) update(windowArea(area));
    });
}

QSize FaceWindow::scaledSize(QSize size, double scale) {
    // A hair under a whole pixel counts as whole, so a scale made to fit a height gives it.
    const auto scaled = [scale](int length) { return std::max(1, static_cast<int>(std::floor(length * scale + 1e-6))); };
    return {scaled(size.width()), scaled(size.height())};
}

void FaceWindow::setFaceScale(double scale) {
    if (!std::isfinite(scale) || scale > 1) scale = 1;
    // A screen too small for a usable face still gets one that can be read and moved.
    scale = std::max(scale, 0.25);
    if (scale == scale_) return;
    scale_ = scale;
    faceImage_ = QImage();
    setFixedSize(scaledSize(content_->size(), scale_));
    updateShape();
    update();
}

QRect FaceWindow::windowArea(const QRect& faceArea) const {
    if (scale_ == 1) return faceArea;
    return toWindow(QRectF(faceArea)).toAlignedRect().adjusted(-1, -1, 1, 1).intersected(rect());
}

FaceWindow::~FaceWindow() = default;

void FaceWindow::updateShape() {
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

void FaceWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    // A few separate areas (the screen and the drive while a motion plays) are painted one by
    // one, so the face can paint just each; anything more scattered is painted in one go.
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
            // Under the mask's edge, half-clear pixels of the face blend with this, not garbage.
            painter.fillRect(area, drawing::toQColor(Tokens::black));
        }
        content_->paint(painter);
        painter.restore();
    }
}

void FaceWindow::paintScaled(QPainter& painter, const QRegion& region) {
    if (faceImage_.size() != content_->size()) {
        faceImage_ = QImage(content_->size(), QImage::Format_ARGB32_Premultiplied);
        faceImage_.fill(Qt::transparent);
    }
    // The face's pixels the region's smoothed pixels are made from.
    const QRect faceArea = QRectF(QPointF(region.boundingRect().topLeft()) / scale_,
                                  QSizeF(region.boundingRect().size()) / scale_)
                               .toAlignedRect()
                               .adjusted(-2, -2, 2, 2)
                               .intersected(QRect(QPoint(), content_->size()));
    {
        QPainter face(&faceImage_);
        face.setClipRect(faceArea);
        face.setCompositionMode(QPainter::CompositionMode_Source);
        face.fillRect(faceArea, Qt::transparent);
        face.setCompositionMode(QPainter::CompositionMode_SourceOver);
        content_->paint(face);
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
    painter.drawImage(QRectF(rect()), faceImage_);
}

void FaceWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressedControl_ = content_->press(toFace(event->position()));
    // A click is no move: a tap on a touchpad presses and releases within milliseconds, and a
    // move the window manager started on the press would go on after the release.
    if (!pressedControl_) pendingMove_ = PendingMove{event->globalPosition(), pos()};
    event->accept();
}

void FaceWindow::mouseMoveEvent(QMouseEvent* event) {
    if (pressedControl_) {
        content_->drag(toFace(event->position()));
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
        content_->hover(toFace(event->position()));
    }
    event->accept();
}

void FaceWindow::leaveEvent(QEvent* event) {
    content_->hover(std::nullopt);
    QWidget::leaveEvent(event);
}

QString FaceWindow::toolTipAt(QPointF point) const {
    const bool trayShown = !trayShown_ || trayShown_();
    return content_->toolTip(toFace(point), trayShown ? HideKey::Recall::tray : HideKey::Recall::launcher);
}

bool FaceWindow::event(QEvent* event) {
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

void FaceWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pendingMove_.reset();
        ownMove_.reset();
        if (pressedControl_) {
            pressedControl_ = false;
            content_->release(toFace(event->position()));
        }
    }
    event->accept();
}

void FaceWindow::closeEvent(QCloseEvent* event) {
    // The window is kept for the life of the app; the owner decides what a close means.
    event->ignore();
    if (closeRequest_) closeRequest_();
}

void FaceWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (contextMenu_) contextMenu_(event->globalPos());
    event->accept();
}

void FaceWindow::showEvent(QShowEvent* event) {
    // Before the window is mapped: the hints the window manager reads as it takes it on.
    if (kind_ == Kind::floatingPanel) {
        winId();
        if (QWindow* handle = windowHandle()) X11WindowProperties::markFloatingPanel(*handle);
    }
    QWidget::showEvent(event);
    if (shownChanged_) shownChanged_(true);
}

void FaceWindow::hideEvent(QHideEvent* event) {
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
