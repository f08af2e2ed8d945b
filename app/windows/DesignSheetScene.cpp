#include "app/windows/DesignSheetScene.hpp"

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QtMath>

#include "app/windows/PaintedWidget.hpp"
#include "kit/visuals/views/DesignSheetView.hpp"
#include "kit/visuals/model/Tokens.hpp"

namespace quorvel {
namespace {

QColor qColor(const Color& colour) { return QColor::fromRgbF(colour.red, colour.green, colour.blue, colour.opacity); }

// The sheet prefers the dark scheme, whatever the desktop's.
QPalette darkPalette() {
    QPalette palette;
    const QColor chassis = qColor(Tokens::chassis);
    const QColor text = qColor(Tokens::mascotWhite);
    palette.setColor(QPalette::Window, chassis);
    palette.setColor(QPalette::Base, chassis);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Button, qColor(Tokens::panel));
    return palette;
}

}  // namespace

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
        window_->setPalette(darkPalette());
        window_->setAutoFillBackground(true);
        window_->viewport()->setAutoFillBackground(true);
        window_->resize(960, 720);
    }
    if (!window_->isVisible()) {
        const DesignSheetView view;
        const QSizeF size = view.size();
        auto* sheet = new PaintedWidget(QSize(qCeil(size.width()), qCeil(size.height())),
                                        [view](QPainter& painter, const QRectF&) { view.paint(painter); });
        sheet->setPalette(darkPalette());
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
