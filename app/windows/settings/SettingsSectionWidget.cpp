#include "app/windows/settings/SettingsSectionWidget.hpp"

#include <QPainter>
#include <QVBoxLayout>
#include <cmath>

namespace quorvel {

SettingsSectionWidget::SettingsSectionWidget(std::string title, QWidget* parent)
    : QWidget(parent), section_{std::move(title)}, column_(rowStack(this)) {
    column_->setContentsMargins(0, static_cast<int>(std::ceil(section_.contentTop())), 0, 0);
    setAccessibleName(QString::fromStdString(section_.title));
}

void SettingsSectionWidget::add(QWidget* content) { column_->addWidget(content); }

QVBoxLayout* SettingsSectionWidget::rowStack(QWidget* owner) {
    auto* column = new QVBoxLayout(owner);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(static_cast<int>(SettingsSection::spacing));
    return column;
}

void SettingsSectionWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    section_.paint(painter, QPointF(0, 0));
}

}  // namespace quorvel
