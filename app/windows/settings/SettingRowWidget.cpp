#include "app/windows/settings/SettingRowWidget.hpp"

#include <QEvent>
#include <QPainter>
#include <cmath>

namespace quorvel {
namespace {

// The width the settings column gives its rows; what a row asks for before it is laid out.
constexpr int columnWidth = 480;

}  // namespace

SettingRowWidget::SettingRowWidget(std::string name, std::optional<std::string> note, QWidget* control,
                                   QWidget* parent)
    : QWidget(parent), row_{std::move(name), std::move(note)}, control_(control) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    if (control_) control_->setParent(this);
    setAccessibleName(QString::fromStdString(row_.name));
}

void SettingRowWidget::setName(const std::string& name) {
    if (row_.name == name) return;
    row_.name = name;
    setAccessibleName(QString::fromStdString(name));
    updateGeometry();
    placeControl();
    update();
}

void SettingRowWidget::setNote(const std::optional<std::string>& note) {
    if (row_.note == note) return;
    row_.note = note;
    updateGeometry();
    placeControl();
    update();
}

QSizeF SettingRowWidget::controlSize() const {
    if (!control_) return {0, 0};
    // A fixed-width field's hint can be wider than the width it is held to.
    return QSizeF(control_->sizeHint().expandedTo(control_->minimumSize()).boundedTo(control_->maximumSize()));
}

int SettingRowWidget::heightForWidth(int width) const {
    return static_cast<int>(std::ceil(row_.layout(width, controlSize()).height));
}

QSize SettingRowWidget::sizeHint() const { return {columnWidth, heightForWidth(columnWidth)}; }

QSize SettingRowWidget::minimumSizeHint() const {
    return {static_cast<int>(std::ceil(controlSize().width() + 2 * SettingRow::horizontalPadding)),
            static_cast<int>(SettingRow::minimumHeight)};
}

void SettingRowWidget::placeControl() {
    if (!control_) return;
    const SettingRow::Layout parts = row_.layout(width(), controlSize());
    control_->setGeometry(parts.control.toAlignedRect());
}

void SettingRowWidget::resizeEvent(QResizeEvent*) { placeControl(); }

bool SettingRowWidget::event(QEvent* event) {
    // A control that changes its size (a stepper's longer value) moves to its new place.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        placeControl();
    }
    return QWidget::event(event);
}

void SettingRowWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    row_.paint(painter, QRectF(rect()), controlSize());
}

}  // namespace quorvel
