#include "app/windows/settings/ToggleKeyButton.hpp"

#include <QPainter>
#include <QSignalBlocker>
#include <cmath>

#include "kit/phone/ToggleKey.hpp"

namespace quorvel {

ToggleKeyButton::ToggleKeyButton(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    announce(false);
    connect(this, &QAbstractButton::toggled, this, &ToggleKeyButton::announce);
}

void ToggleKeyButton::announce(bool on) {
    const ToggleKey key{on};
    // Read out like the other keys, by the legend it shows, with the value after it.
    setAccessibleName(QString::fromStdString(key.legend()));
    setAccessibleDescription(QString::fromStdString(key.accessibilityValue()));
}

void ToggleKeyButton::setOn(bool on) {
    if (isChecked() == on) return;
    const QSignalBlocker quiet(this);
    setChecked(on);
    announce(on);
    update();
}

QSize ToggleKeyButton::sizeHint() const {
    const QSizeF size = ToggleKey::size();
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

void ToggleKeyButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    ToggleKey{isChecked()}.paint(painter, QRectF(rect()), hasFocus());
}

}  // namespace quorvel
