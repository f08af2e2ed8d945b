#include "app/windows/finished/FinishedView.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/windows/finished/FinishedListWidget.hpp"
#include "app/windows/hosting/DesktopStyle.hpp"

namespace quorvel {
FinishedView::FinishedView(FinishedSource& source, std::shared_ptr<const Clock> clock, QWidget* parent)
    : QWidget(parent), presenter_(source, std::move(clock)) {
    DesktopStyle::apply(*this);
    setAutoFillBackground(true);
    setFixedSize(width, height);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll_->setWidgetResizable(false);
    scroll_->viewport()->setAutoFillBackground(true);
    list_ = new FinishedListWidget(presenter_);
    scroll_->setWidget(list_);
    layout->addWidget(scroll_, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    DesktopStyle::applyDivider(*divider);
    layout->addWidget(divider);

    auto* footer = new QHBoxLayout();
    footer->setContentsMargins(10, 10, 10, 10);
    caption_ = new QLabel(this);
    caption_->setTextFormat(Qt::PlainText);
    QFont small = caption_->font();
    small.setPixelSize(11);
    caption_->setFont(small);
    caption_->setForegroundRole(QPalette::PlaceholderText);
    footer->addWidget(caption_);
    footer->addStretch(1);
    clear_ = new QPushButton(QStringLiteral("Clear"), this);
    connect(clear_, &QPushButton::clicked, this, [this] { presenter_.clear(); });
    footer->addWidget(clear_);
    layout->addLayout(footer);

    connect(&presenter_, &FinishedPresenter::changed, this, &FinishedView::update);
    update();
}

FinishedView::~FinishedView() = default;

void FinishedView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Rows and day headings are written for the moment the window comes up.
    presenter_.windowShown();
}

void FinishedView::update() {
    caption_->setText(QString::fromStdString(presenter_.caption()));
    clear_->setEnabled(presenter_.canClear());
    const int scrollBar = scroll_->verticalScrollBar()->sizeHint().width();
    list_->relayout(width - scrollBar);
}

}  // namespace quorvel
