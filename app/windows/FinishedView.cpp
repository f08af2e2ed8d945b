#include "app/windows/FinishedView.hpp"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/windows/FinishedListWidget.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/Painting.hpp"

namespace quorvel {
namespace {

QPalette darkPalette() {
    QPalette palette;
    const QColor window(0x1E, 0x1F, 0x22);
    const QColor text(0xEC, 0xEC, 0xEC);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, QColor(0x2B, 0x2C, 0x2F));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3A, 0x3B, 0x3F));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x9A, 0x9A, 0x9A));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x77, 0x77, 0x77));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x77, 0x77, 0x77));
    return palette;
}

}  // namespace

FinishedView::FinishedView(AppModel& model, std::shared_ptr<const Clock> clock, QWidget* parent)
    : QWidget(parent), presenter_(model, std::move(clock)) {
    setPalette(darkPalette());
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
    QPalette chassis = palette();
    chassis.setColor(QPalette::Window, drawing::toQColor(Tokens::chassis));
    scroll_->viewport()->setPalette(chassis);
    scroll_->viewport()->setAutoFillBackground(true);
    list_ = new FinishedListWidget(presenter_);
    scroll_->setWidget(list_);
    layout->addWidget(scroll_, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setStyleSheet(QStringLiteral("color: #3A3B3F"));
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
