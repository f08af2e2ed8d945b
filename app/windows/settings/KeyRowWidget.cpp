#include "app/windows/settings/KeyRowWidget.hpp"

#include <QPainter>

#include "app/windows/settings/KeyButton.hpp"

namespace quorvel {

KeyRowWidget::KeyRowWidget(RowWithKey row, QWidget* parent)
    : QWidget(parent),
      row_(std::move(row)),
      key_(new KeyButton(QString::fromStdString(row_.keyLabel), row_.keyStyle, this)) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(QString::fromStdString(row_.name));
    setAccessibleDescription(QString::fromStdString(row_.line2));
    connect(key_, &QAbstractButton::clicked, this, [this] {
        if (row_.action) row_.action();
    });
}

QSize KeyRowWidget::sizeHint() const { return {480, static_cast<int>(RowWithKey::height)}; }

void KeyRowWidget::resizeEvent(QResizeEvent*) { key_->setGeometry(row_.layout(width()).key.toAlignedRect()); }

void KeyRowWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    row_.paintBody(painter, QRectF(rect()));
}

}  // namespace quorvel
