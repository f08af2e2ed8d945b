#include "app/windows/design/DesignSheetScene.hpp"

#include <QGuiApplication>
#include <QtMath>

#include "app/windows/hosting/DesktopStyle.hpp"
#include "app/windows/hosting/PaintedWidget.hpp"
#include "kit/visuals/views/kit/DesignSheetView.hpp"

namespace quorvel {
DesignSheetScene::DesignSheetScene() = default;
DesignSheetScene::~DesignSheetScene() = default;

void DesignSheetScene::open() {
    if (!window_) {
        window_ = std::make_unique<QScrollArea>();
        window_->setWindowTitle(QString::fromUtf8(title));
        window_->setObjectName(QString::fromUtf8(identifier));
        window_->setFrameShape(QFrame::NoFrame);
        window_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        window_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        window_->setAlignment(Qt::AlignCenter);
        DesktopStyle::apply(*window_);
        window_->setAutoFillBackground(true);
        window_->viewport()->setAutoFillBackground(true);
        window_->resize(960, 720);
    }
    if (!window_->isVisible()) {
        const DesignSheetView view;
        const QSizeF size = view.size();
        auto* sheet = new PaintedWidget(QSize(qCeil(size.width()), qCeil(size.height())),
                                        [view](QPainter& painter, const QRectF&) { view.paint(painter); });
        DesktopStyle::apply(*sheet);
        sheet->setAutoFillBackground(true);
        window_->setWidget(sheet);  // the previous sheet goes with it
    }
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    window_->raise();
    window_->activateWindow();
}

}  // namespace quorvel
