#include "app/windows/settings/StepperControl.hpp"

#include <QPainter>
#include <cmath>

#include "app/windows/settings/KeyButton.hpp"

namespace quorvel {
namespace {

QRect outward(const QRectF& rect) { return rect.toAlignedRect(); }

}  // namespace

StepperControl::StepperControl(std::int64_t lower, std::int64_t upper, std::int64_t step,
                               std::function<std::string(std::int64_t)> format, QWidget* parent)
    : QWidget(parent),
      keys_{lower, lower, upper, step, std::move(format)},
      minus_(new KeyButton(QString::fromUtf8(StepperKeys::minusLegend), SmallKeyStyle::Style::panel, this)),
      plus_(new KeyButton(QString::fromUtf8(StepperKeys::plusLegend), SmallKeyStyle::Style::panel, this)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Each press reads the value as it is now, so two quick presses step twice.
    connect(minus_, &QAbstractButton::clicked, this, [this] {
        if (keys_.minusEnabled()) emit stepped(keys_.decremented());
    });
    connect(plus_, &QAbstractButton::clicked, this, [this] {
        if (keys_.plusEnabled()) emit stepped(keys_.incremented());
    });
    apply();
}

void StepperControl::setValue(std::int64_t value) {
    if (keys_.value == value) return;
    keys_.value = value;
    apply();
}

void StepperControl::apply() {
    minus_->setEnabled(keys_.minusEnabled());
    plus_->setEnabled(keys_.plusEnabled());
    setAccessibleName(QString::fromStdString(keys_.valueText()));
    updateGeometry();
    const StepperKeys::Layout parts = keys_.layout();
    minus_->setGeometry(outward(parts.minus));
    plus_->setGeometry(outward(parts.plus));
    update();
}

QSize StepperControl::sizeHint() const {
    const QSizeF size = keys_.layout().size;
    return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))};
}

void StepperControl::resizeEvent(QResizeEvent*) { apply(); }

void StepperControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    keys_.paintValue(painter, keys_.layout().value);
}

}  // namespace quorvel
