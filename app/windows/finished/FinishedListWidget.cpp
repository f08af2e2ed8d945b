#include "app/windows/finished/FinishedListWidget.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <QFontMetricsF>
#include <cmath>

#include "app/windows/hosting/PaintedAccessible.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/TabBlock.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/lists/FinishedRowView.hpp"
#include "kit/visuals/views/lists/LogPanel.hpp"

namespace quorvel {

FinishedListWidget::FinishedListWidget(FinishedPresenter& presenter, QWidget* parent)
    : QWidget(parent), presenter_(presenter) {
    PaintedAccessible::installFactory();
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The panel's text area clips the field, which is as tall as the whole text and moves
    // with the panel's scrolling.
    logWindow_ = new QWidget(this);
    logWindow_->hide();
    logText_ = new QPlainTextEdit(logWindow_);
    logText_->setReadOnly(true);
    logText_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    logText_->setFrameShape(QFrame::NoFrame);
    logText_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    logText_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    logText_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    logText_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    logText_->document()->setDocumentMargin(0);
    const QFont font = Fonts::mono(false, 11);
    logText_->setFont(font);
    logText_->setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
    // Only the selection shows: the panel paints the text itself.
    QPalette palette = logText_->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Qt::transparent);
    palette.setColor(QPalette::Highlight, drawing::toQColor(Tokens::acid, 0.45));
    palette.setColor(QPalette::HighlightedText, drawing::toQColor(Tokens::mascotWhite));
    logText_->setPalette(palette);
    logText_->viewport()->setAutoFillBackground(false);
    logText_->setAutoFillBackground(false);
}

void FinishedListWidget::placeLogText() {
    const auto open = presenter_.openLog();
    const auto log = open ? presenter_.logFor(*open) : std::nullopt;
    const QRectF frame = listFrame();
    std::optional<QRectF> panel;
    if (log) {
        for (const FinishedListView::Entry& entry : view().layout(frame.width())) {
            if (entry.index == open && entry.log) panel = entry.log->translated(frame.topLeft());
        }
    }
    if (!panel) {
        logWindow_->hide();
        return;
    }
    const QString text = QString::fromStdString(*log);
    if (logText_->toPlainText() != text) logText_->setPlainText(text);
    const LogPanel painted{text, logScroll_};
    const QRect area = LogPanel::textRect(*panel).toAlignedRect();
    logWindow_->setGeometry(area);
    const double contentHeight = painted.contentHeight(panel->width()) - 2 * LogPanel::padding;
    logText_->setGeometry(0, -static_cast<int>(std::lround(painted.clampedScroll(panel->width(), logScroll_))),
                          area.width(), static_cast<int>(std::ceil(contentHeight)) + 2);
    logWindow_->show();
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
    placeLogText();
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
    placeLogText();
    QWidget::update();
    event->accept();
}

std::vector<AccessibleControl> FinishedListWidget::controls() const {
    const FinishedListView list = view();
    const QRectF frame = listFrame();
    std::vector<AccessibleControl> controls;
    for (const FinishedListView::Entry& entry : list.layout(frame.width())) {
        const QRectF row = entry.row.translated(frame.topLeft());
        if (!entry.index) {
            controls.push_back({QString::fromUtf8(TabBlock::emptyFinishedText), QAccessible::StaticText, {}, row});
            continue;
        }
        const RowLines lines = FinishedRowView{list.runs[*entry.index], list.now, list.calendar}.lines();
        AccessibleControl control{lines.listLabel(), QAccessible::StaticText, {}, row};
        if (list.isTappable(*entry.index)) {
            control.role = QAccessible::Button;
            control.checkable = true;
            control.checked = presenter_.openLog() == entry.index;
        }
        controls.push_back(control);
    }
    return controls;
}

void FinishedListWidget::activate(std::size_t index) {
    const FinishedListView list = view();
    const auto entries = list.layout(listFrame().width());
    if (index < entries.size() && entries[index].index) list.activate(*entries[index].index);
}

}  // namespace quorvel
