#include "app/windows/settings/KeyButton.hpp"

#include <QPainter>
#include <cmath>

namespace quorvel {

KeyButton::KeyButton(const QString& legend, SmallKeyStyle::Style style, QWidget* parent)
    : QAbstractButton(parent), style_(style) {
    setFocusPolicy(Qt::TabFocus);
    setLegend(legend);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void KeyButton::setLegend(const QString& legend) {
    setText(legend);
    setAccessibleName(legend);
    updateGeometry();
    update();
}

void KeyButton::setStyle(SmallKeyStyle::Style style) {
    style_ = style;
    update();
}

QSize KeyButton::sizeHint() const {
    const QSizeF size = SmallKeyStyle::size(text());
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

void KeyButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    SmallKeyStyle{style_}.paint(painter, QRectF(rect()), text(), isDown(), hasFocus());
}

}  // namespace quorvel
