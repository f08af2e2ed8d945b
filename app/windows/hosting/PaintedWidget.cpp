#include "app/windows/hosting/PaintedWidget.hpp"

#include <QPainter>

namespace quorvel {

PaintedWidget::PaintedWidget(QSize size, Paint paint, QWidget* parent)
    : QWidget(parent), size_(size), paint_(std::move(paint)) {
    setFixedSize(size_);
}

void PaintedWidget::setPaint(Paint paint) {
    paint_ = std::move(paint);
    update();
}

void PaintedWidget::paintEvent(QPaintEvent*) {
    if (!paint_) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paint_(painter, QRectF(rect()));
}

}  // namespace quorvel
