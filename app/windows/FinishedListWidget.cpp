#include "app/windows/FinishedListWidget.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/LogPanel.hpp"
#include "kit/visuals/views/Painting.hpp"

namespace quorvel {

FinishedListWidget::FinishedListWidget(FinishedPresenter& presenter, QWidget* parent)
    : QWidget(parent), presenter_(presenter) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

FinishedListView FinishedListWidget::view() const {
    FinishedListView list;
    list.runs = presenter_.runs();
    list.now = presenter_.now();
    list.onRowTap = [this](std::size_t index) { presenter_.toggleLog(index); };
    list.logFor = [this](std::size_t index) { return presenter_.logFor(index); };
    list.logScrollFor = [this](std::size_t index) { return scrolledLog_ == index ? logScroll_ : 0.0; };
    return list;
}

QRectF FinishedListWidget::listFrame() const {
    const double width = std::max(0, this->width() - 2 * padding);
    return {static_cast<double>(padding), static_cast<double>(padding), width, view().height(width)};
}

void FinishedListWidget::relayout(int width) {
    if (scrolledLog_ != presenter_.openLog()) {
        scrolledLog_ = presenter_.openLog();
        logScroll_ = 0;
    }
    const double listWidth = std::max(0, width - 2 * padding);
    const int height = static_cast<int>(std::ceil(view().height(listWidth))) + 2 * padding;
    setFixedSize(width, height);
    QWidget::update();
}

void FinishedListWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), drawing::toQColor(Tokens::chassis));
    view().paint(painter, listFrame());
}

void FinishedListWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const FinishedListView list = view();
    const auto hit = list.hitTest(listFrame(), event->position());
    if (hit && !hit->onLog) list.activate(hit->index);
}

void FinishedListWidget::wheelEvent(QWheelEvent* event) {
    const FinishedListView list = view();
    const auto hit = list.hitTest(listFrame(), event->position());
    const auto open = presenter_.openLog();
    if (!hit || !hit->onLog || open != hit->index || !presenter_.logFor(hit->index)) {
        event->ignore();
        return;
    }
    const LogPanel panel{QString::fromStdString(*presenter_.logFor(hit->index)), logScroll_};
    const double width = listFrame().width();
    const double before = panel.clampedScroll(width, logScroll_);
    const double after = panel.clampedScroll(width, before - event->angleDelta().y() / 120.0 * 40.0);
    if (after == before) {
        // At the panel's end the list scrolls instead.
        event->ignore();
        return;
    }
    logScroll_ = after;
    scrolledLog_ = open;
    QWidget::update();
    event->accept();
}

}  // namespace quorvel
