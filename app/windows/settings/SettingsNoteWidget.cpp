#include "app/windows/settings/SettingsNoteWidget.hpp"

#include <QPainter>
#include <cmath>

namespace quorvel {

SettingsNoteWidget::SettingsNoteWidget(std::string text, QWidget* parent) : QWidget(parent), note_{std::move(text)} {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(QString::fromStdString(note_.text));
}

void SettingsNoteWidget::setText(const std::string& text) {
    if (note_.text == text) return;
    note_.text = text;
    setAccessibleName(QString::fromStdString(text));
    updateGeometry();
    update();
}

int SettingsNoteWidget::heightForWidth(int width) const { return static_cast<int>(std::ceil(note_.height(width))); }

QSize SettingsNoteWidget::sizeHint() const { return {480, heightForWidth(480)}; }

void SettingsNoteWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    note_.paint(painter, QRectF(rect()));
}

}  // namespace quorvel
