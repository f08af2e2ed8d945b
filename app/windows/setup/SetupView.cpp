#include "app/windows/setup/SetupView.hpp"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>

#include "app/windows/hosting/PaintedWidget.hpp"
#include "kit/engine/Quorvel.hpp"
#include "kit/phone/CheckCircle.hpp"

namespace quorvel {
namespace {

QLabel* plainLabel(const QString& text, QWidget* parent = nullptr) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    return label;
}

QColor secondaryColour(const QWidget& widget) {
    QColor colour = widget.palette().color(QPalette::WindowText);
    colour.setAlphaF(0.55);
    return colour;
}

// The desktop's title-2 and title-3 sizes against its body text, as on the look the window
// follows (17 and 15 points to 13).
constexpr double title2Scale = 17.0 / 13.0;
constexpr double title3Scale = 15.0 / 13.0;

struct Step {
    QString title;
    const char* text;
};

}  // namespace

SetupView::SetupView(SetupSource& source, WindowNavigator& navigator, QWidget* parent)
    : QWidget(parent), presenter_(source, navigator) {
    setObjectName(QStringLiteral("SetupView"));
    setFixedWidth(width);
    const QString name = QString::fromUtf8(Quorvel::displayName);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(spacing);

    QLabel* heading = plainLabel(QStringLiteral("Set up ") + name);
    QFont headingFont = heading->font();
    headingFont.setPointSizeF(headingFont.pointSizeF() * title2Scale);
    headingFont.setBold(true);
    heading->setFont(headingFont);
    column->addWidget(heading);

    QLabel* intro = plainLabel(QStringLiteral("Four steps. Each one can be undone from Settings."));
    QPalette introColours = intro->palette();
    introColours.setColor(QPalette::WindowText, secondaryColour(*intro));
    intro->setPalette(introColours);
    column->addWidget(intro);

    const std::array<Step, stepCount> steps{{
        {QStringLiteral("Tell Claude Code to talk to ") + name,
         "Adds a few lines to ~/.claude/settings.json so Claude Code pings this app when a run finishes, fails or "
         "needs you. A dated backup is made first; everything else in the file stays exactly as it is. Hooks only "
         "run in folders you have trusted in Claude Code."},
        {QStringLiteral("Start at login"),
         "So the device is there when you sit down. This puts an entry for Quorvel in your desktop's autostart "
         "folder (~/.config/autostart)."},
        {QStringLiteral("Allow banners"),
         "Done, Needs you and Crashed also show a desktop banner, whether the device is shown or hidden."},
        {QStringLiteral("Phone key (optional until M3)"),
         "Import the APNs .p8 key once; it lives in your login keyring. Set it up in Settings \u203a Phone key."},
    }};

    QFont checkFont = font();
    checkFont.setPointSizeF(checkFont.pointSizeF() * title3Scale);
    const int checkSide = QFontMetrics(checkFont).height();
    for (std::size_t index = 0; index < steps.size(); ++index) {
        auto* line = new QHBoxLayout;
        line->setSpacing(12);
        auto* check = new PaintedWidget(QSize(checkSide, checkSide), {});
        checks_[index] = check;
        line->addWidget(check, 0, Qt::AlignTop);

        auto* body = new QVBoxLayout;
        body->setSpacing(6);
        QLabel* title = plainLabel(steps[index].title);
        QFont titleFont = title->font();
        titleFont.setBold(true);
        title->setFont(titleFont);
        body->addWidget(title);
        body->addWidget(plainLabel(QString::fromUtf8(steps[index].text)));
        auto* button = new QPushButton;
        button->setAutoDefault(false);
        buttons_[index] = button;
        body->addWidget(button, 0, Qt::AlignLeft);
        if (index == 2) {
            bannerNote_ = plainLabel(QString());
            bannerNote_->setObjectName(QStringLiteral("bannerNote"));
            body->addWidget(bannerNote_);
        }
        line->addLayout(body, 1);
        column->addLayout(line);
    }
    buttons_[2]->setText(QString::fromUtf8("Open notification settings\u2026"));
    buttons_[3]->setText(QString::fromUtf8("Open Settings\u2026"));
    connect(buttons_[0], &QPushButton::clicked, this, [this] { presenter_.toggleHooks(); });
    connect(buttons_[1], &QPushButton::clicked, this, [this] { presenter_.toggleLaunchAtLogin(); });
    connect(buttons_[2], &QPushButton::clicked, this, [this] { presenter_.openNotificationSettings(); });
    connect(buttons_[3], &QPushButton::clicked, this, [this] { presenter_.openSettings(); });

    auto* closing = new QHBoxLayout;
    closing->addStretch(1);
    doneButton_ = new QPushButton(QStringLiteral("Done"));
    doneButton_->setDefault(true);
    closing->addWidget(doneButton_);
    column->addLayout(closing);
    connect(doneButton_, &QPushButton::clicked, this, [this] { presenter_.done(); });

    connect(&presenter_, &SetupPresenter::changed, this, &SetupView::refresh);
    refresh();
}

void SetupView::keyPressEvent(QKeyEvent* event) {
    // Outside a dialog a default button has no Return of its own: whatever has the focus passes
    // Return on to here, and it acts as Done.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        doneButton_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

QSize SetupView::sizeHint() const { return {width, heightForWidth(width)}; }

void SetupView::refresh() {
    const SetupSnapshot& shown = presenter_.snapshot();
    done_ = {shown.hooksInstalled, shown.launchAtLoginEnabled, shown.bannersDone(), shown.hasAPNsKey};
    buttons_[0]->setText(shown.hooksInstalled ? QStringLiteral("Turn off hooks") : QStringLiteral("Turn on hooks"));
    buttons_[1]->setText(shown.launchAtLoginEnabled ? QStringLiteral("Stop starting at login")
                                                    : QStringLiteral("Start at login"));
    bannerNote_->setText(QString::fromStdString(shown.notificationSettingsNote.value_or("")));
    bannerNote_->setHidden(!shown.notificationSettingsNote);
    const QColor secondary = secondaryColour(*this);
    for (std::size_t index = 0; index < checks_.size(); ++index) {
        const CheckCircle circle{done_[index], secondary};
        checks_[index]->setPaint([circle](QPainter& painter, const QRectF& frame) { circle.paint(painter, frame); });
        checks_[index]->setAccessibleName(done_[index] ? QStringLiteral("done") : QStringLiteral("not done"));
    }
}

}  // namespace quorvel
