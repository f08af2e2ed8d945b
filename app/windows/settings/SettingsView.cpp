#include "app/windows/settings/SettingsView.hpp"

#include <QClipboard>
#include <QGraphicsOpacityEffect>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cmath>

#include "app/windows/hosting/DesktopStyle.hpp"
#include "app/windows/hosting/PaintedWidget.hpp"
#include "app/windows/settings/APNsKeySection.hpp"
#include "app/windows/settings/EntryField.hpp"
#include "app/windows/settings/KeyButton.hpp"
#include "app/windows/settings/KeyRowWidget.hpp"
#include "app/windows/settings/RelaySection.hpp"
#include "app/windows/settings/SettingRowWidget.hpp"
#include "app/windows/settings/SettingsNoteWidget.hpp"
#include "app/windows/settings/SettingsSectionWidget.hpp"
#include "app/windows/settings/StepperControl.hpp"
#include "app/windows/settings/ToggleKeyButton.hpp"
#include "generated/AppVersion.hpp"
#include "kit/phone/PageTitle.hpp"
#include "kit/sound/SoundSummary.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/DymoLabel.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Grain.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/mascot/MascotView.hpp"

namespace quorvel {
namespace {

constexpr double awayRowDimmed = 0.5;

std::function<std::string(std::int64_t)> formatFor(SettingUnit unit) {
    if (unit == SettingUnit::hourOfDay) return hourOfDay;
    const char* suffix = unit == SettingUnit::minutes ? " min" : " s";
    return [suffix](std::int64_t value) { return plainNumber(value) + suffix; };
}

std::optional<std::string> noteOf(const SettingDescriptor& setting) {
    if (setting.note.empty()) return std::nullopt;
    return std::string(setting.note);
}

// A control made of widgets stacked at the right of a row, trailing-aligned, 4 apart.
QWidget* trailingStack(std::initializer_list<QWidget*> parts) {
    auto* holder = new QWidget;
    auto* column = new QVBoxLayout(holder);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    for (QWidget* part : parts) column->addWidget(part, 0, Qt::AlignRight);
    holder->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    holder->adjustSize();
    return holder;
}

}  // namespace

SettingsView::SettingsView(SettingsSource& source, QWidget* parent) : QWidget(parent), presenter_(source) {
    DesktopStyle::apply(*this);
    setAutoFillBackground(false);
    setMinimumHeight(minimumHeight);
    setFixedWidth(width);
    setObjectName(QStringLiteral("SettingsView"));

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(true);
    scroll_->setWidget(buildColumn());
    // The chassis painted by this view shows through the scroll area and the column (setting
    // the column turned its own background on).
    scroll_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->widget()->setAutoFillBackground(false);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll_);

    connect(&presenter_, &SettingsPresenter::changed, this, &SettingsView::refresh);
    refresh();
}

SettingsView::~SettingsView() = default;

void SettingsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), drawing::toQColor(Tokens::chassis));
    Grain{grainOpacity}.paint(painter, QRectF(rect()));
}

StepperControl* SettingsView::addStepper(const std::string& name, std::int64_t lower, std::int64_t upper,
                                         std::int64_t step, std::function<std::string(std::int64_t)> format,
                                         std::function<void(std::int64_t)> chosen) {
    auto* stepper = new StepperControl(lower, upper, step, std::move(format));
    stepper->setObjectName(QString::fromStdString(name));
    connect(stepper, &StepperControl::stepped, this, [this, chosen = std::move(chosen)](std::int64_t value) {
        chosen(value);
        refresh();
    });
    steppers_[name] = stepper;
    return stepper;
}

ToggleKeyButton* SettingsView::addToggle(const std::string& name, std::function<void(bool)> chosen) {
    auto* toggle = new ToggleKeyButton;
    toggle->setObjectName(QString::fromStdString(name));
    connect(toggle, &QAbstractButton::clicked, this, [this, chosen = std::move(chosen)](bool on) {
        chosen(on);
        // Shows what the model took, also when it refused.
        refresh();
    });
    toggles_[name] = toggle;
    return toggle;
}

QWidget* SettingsView::settingControl(const SettingDescriptor& setting) {
    const std::string name(setting.key);
    if (setting.flag) {
        return addToggle(name, [this, field = setting.flag](bool on) {
            editSettings([&](AppSettings& settings) { settings.*field = on; });
        });
    }
    return addStepper(name, setting.lower, setting.upper, setting.step, formatFor(setting.unit),
                      [this, field = setting.number](std::int64_t value) {
                          editSettings([&](AppSettings& settings) { settings.*field = value; });
                      });
}

void SettingsView::editSettings(const std::function<void(AppSettings&)>& change) {
    AppSettings settings = presenter_.snapshot().settings;
    change(settings);
    presenter_.setSettings(settings);
}

QWidget* SettingsView::buildColumn() {
    auto* column = new QWidget;
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(padding, padding, padding, padding);
    stack->setSpacing(spacing);

    auto addRow = [this](SettingsSectionWidget* section, const std::string& name,
                         const std::optional<std::string>& note, QWidget* control) {
        auto* row = new SettingRowWidget(name, note, control);
        rows_[name] = row;
        section->add(row);
        return row;
    };
    auto addSettingRow = [&](SettingsSectionWidget* section, const SettingDescriptor& setting) {
        return addRow(section, std::string(setting.label), noteOf(setting), settingControl(setting));
    };

    // Header: the happy mascot and the page title.
    {
        auto* header = new QWidget;
        auto* line = new QHBoxLayout(header);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(12);
        const MascotView mascot{PixelArt::Face::happy, 3, false, 0, false};
        const QSize mascotSize = mascot.size().toSize();
        line->addWidget(new PaintedWidget(mascotSize, [mascot](QPainter& painter, const QRectF& frame) {
            mascot.paint(painter, frame.topLeft());
        }));
        const PageTitle title{"SETTINGS", std::nullopt, std::nullopt};
        auto* titleView = new PaintedWidget(
            QSize(static_cast<int>(std::ceil(title.rowWidth())) + 4, static_cast<int>(PageTitle::rowHeight)),
            [title](QPainter& painter, const QRectF& frame) { title.paint(painter, frame.topLeft(), frame.width()); });
        titleView->setAccessibleName(QStringLiteral("SETTINGS"));
        line->addWidget(titleView);
        line->addStretch(1);
        stack->addWidget(header);
    }

    // ALERTS.
    {
        auto* section = new SettingsSectionWidget("ALERTS");
        addSettingRow(section, settingFields::longRunMinutes);
        addSettingRow(section, settingFields::shellMinimumSeconds);
        addSettingRow(section, settingFields::failuresBuzzPhone);
        stack->addWidget(section);
    }

    // PHONE.
    {
        auto* section = new SettingsSectionWidget("PHONE");
        auto* checkNow = new KeyButton(QStringLiteral("CHECK NOW"), SmallKeyStyle::Style::panel);
        connect(checkNow, &QAbstractButton::clicked, this, [this] { presenter_.checkNow(); });
        pairingRow_ = new SettingRowWidget(presenter_.snapshot().pairingReport, std::nullopt, checkNow);
        section->add(pairingRow_);

        tokenField_ = new EntryField(180, 10, QStringLiteral("paste here"));
        tokenField_->setObjectName(QStringLiteral("phoneDeviceToken"));
        tokenField_->setAccessibleName(QStringLiteral("Phone token"));
        connect(tokenField_, &QLineEdit::textEdited, this,
                [this](const QString& text) { presenter_.setPhoneDeviceToken(text.toStdString()); });
        auto* paste = new KeyButton(QStringLiteral("PASTE"), SmallKeyStyle::Style::panel);
        connect(paste, &QAbstractButton::clicked, this, [this] {
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            if (!data || !data->hasText()) return;
            // In the field as well, so that a paste the app refuses stays in sight beside the
            // line that says why.
            tokenField_->setShownText(data->text());
            presenter_.setPhoneDeviceToken(data->text().toStdString());
        });
        addRow(section, "Phone token", presenter_.snapshot().phoneTokenNote(), trailingStack({tokenField_, paste}));
        tokenReport_ = new SettingsNoteWidget(std::string());
        tokenReport_->setObjectName(QStringLiteral("phoneTokenReport"));
        section->add(tokenReport_);

        testPushKey_ = new KeyButton(QStringLiteral("SEND TEST PUSH"), SmallKeyStyle::Style::acid);
        connect(testPushKey_, &QAbstractButton::clicked, this, [this] { presenter_.sendTestPush(); });
        pushRow_ = new SettingRowWidget(presenter_.snapshot().lastPushReport, std::nullopt, testPushKey_);
        section->add(pushRow_);

        addSettingRow(section, settingFields::alwaysPushToPhone);
        awayRow_ = addSettingRow(section, settingFields::awayMinutes);
        awayRow_->setGraphicsEffect(new QGraphicsOpacityEffect(awayRow_));

        auto* hours = new QWidget;
        auto* hoursLine = new QHBoxLayout(hours);
        hoursLine->setContentsMargins(0, 0, 0, 0);
        hoursLine->setSpacing(8);
        hoursLine->addWidget(settingControl(settingFields::quietHoursStart));
        auto* to = new QLabel(QStringLiteral("to"));
        to->setTextFormat(Qt::PlainText);
        to->setFont(Fonts::mono(false, 11));
        QPalette dim = to->palette();
        dim.setColor(QPalette::WindowText, drawing::toQColor(Tokens::dim));
        to->setPalette(dim);
        hoursLine->addWidget(to);
        hoursLine->addWidget(settingControl(settingFields::quietHoursEnd));
        hours->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        hours->adjustSize();
        addRow(section, std::string(settingFields::quietHoursStart.label), noteOf(settingFields::quietHoursStart),
               hours);

        closingNote_ = new SettingsNoteWidget(presenter_.snapshot().closingNote());
        section->add(closingNote_);
        stack->addWidget(section);
    }

    // SOUNDS.
    {
        auto* section = new SettingsSectionWidget("SOUNDS");
        addRow(section, "Volume", std::nullopt,
               volume_ = addStepper("volume", 0, 100, 10, plainNumber,
                                    [this](std::int64_t value) { presenter_.setVolumePercent(value); }));
        addRow(section, "Mute", "The device still updates.",
               muted_ = addToggle("muted", [this](bool on) { presenter_.setMuted(on); }));
        for (Sound sound : allSounds) {
            section->add(new KeyRowWidget(RowWithKey{std::string(title(sound)), std::string(summary(sound)), "PLAY",
                                                     SmallKeyStyle::Style::panel,
                                                     [this, sound] { presenter_.play(sound); }}));
        }
        stack->addWidget(section);
    }

    // HOOKS.
    {
        auto* section = new SettingsSectionWidget("HOOKS");
        hookKey_ = new KeyButton(QStringLiteral("TURN ON"), SmallKeyStyle::Style::acid);
        connect(hookKey_, &QAbstractButton::clicked, this, [this] {
            if (presenter_.snapshot().hooksInstalled()) presenter_.turnHooksOff();
            else presenter_.turnHooksOn();
        });
        selfTestKey_ = new KeyButton(QStringLiteral("SELF-TEST"), SmallKeyStyle::Style::panel);
        connect(selfTestKey_, &QAbstractButton::clicked, this, [this] { presenter_.selfTest(); });
        hooksRow_ = new SettingRowWidget(
            presenter_.snapshot().hookStatusLine(),
            "Hooks only run in folders you have trusted in Claude Code. Turning them off leaves your settings file "
            "exactly as it was.",
            trailingStack({hookKey_, selfTestKey_}));
        section->add(hooksRow_);
        stack->addWidget(section);
    }

    // COMPUTER.
    {
        auto* section = new SettingsSectionWidget("COMPUTER");
        addRow(section, "Start at login", std::nullopt,
               launchAtLogin_ = addToggle("launchAtLogin", [this](bool on) { presenter_.setLaunchAtLogin(on); }));
        addSettingRow(section, settingFields::showInDock);
        auto* desktopSettings = new KeyButton(QStringLiteral("DESKTOP SETTINGS"), SmallKeyStyle::Style::panel);
        desktopSettings->setObjectName(QStringLiteral("notificationSettings"));
        connect(desktopSettings, &QAbstractButton::clicked, this, [this] { presenter_.openNotificationSettings(); });
        bannersRow_ = new SettingRowWidget(presenter_.snapshot().bannerLine(), std::nullopt, desktopSettings);
        section->add(bannersRow_);
        stack->addWidget(section);
    }

    // RELAY and PHONE KEY.
    {
        auto* section = new SettingsSectionWidget("RELAY");
        relay_ = new RelaySection(presenter_);
        section->add(relay_);
        stack->addWidget(section);
    }
    {
        auto* section = new SettingsSectionWidget("PHONE KEY");
        // No team of ours to suggest: the field starts empty.
        phoneKey_ = new APNsKeySection(presenter_, QString());
        section->add(phoneKey_);
        stack->addWidget(section);
    }

    // The model plate.
    {
        const DymoLabel plate{Quorvel::modelLabel(), DymoLabel::Tape::ink, 10, 0.0};
        const QSizeF size = plate.layoutSize();
        auto* label = new PaintedWidget(QSize(static_cast<int>(std::ceil(size.width())) + 2,
                                              static_cast<int>(std::ceil(size.height())) + 3),
                                        [plate, size](QPainter& painter, const QRectF& frame) {
                                            plate.paint(painter, QRectF(frame.topLeft() + QPointF(1, 0), size));
                                        });
        label->setObjectName(QStringLiteral("modelPlate"));
        label->setAccessibleName(QString::fromStdString(plate.accessibilityLabel()));
        stack->addWidget(label);
    }
    stack->addStretch(1);
    return column;
}

void SettingsView::refresh() {
    const SettingsSnapshot& shown = presenter_.snapshot();
    const AppSettings& settings = shown.settings;
    for (const SettingDescriptor* setting : settingFields::all) {
        const std::string name(setting->key);
        if (StepperControl* control = stepper(name)) control->setValue(settings.*setting->number);
        if (ToggleKeyButton* control = toggle(name)) control->setOn(settings.*setting->flag);
    }
    volume_->setValue(shown.volumePercent);
    muted_->setOn(shown.muted);
    launchAtLogin_->setOn(shown.launchAtLoginEnabled);

    pairingRow_->setName(shown.pairingReport);
    // The field follows the stored token only when that changes (the phone brought another),
    // so a refused entry stays in the field for the user to mend.
    const QString storedToken = QString::fromStdString(shown.phoneDeviceToken);
    if (storedToken != shownToken_) {
        tokenField_->setShownText(storedToken);
        shownToken_ = storedToken;
    }
    tokenReport_->setText(shown.phoneTokenReport);
    tokenReport_->setHidden(shown.phoneTokenReport.empty());
    pushRow_->setName(shown.lastPushReport);
    pushRow_->setNote(shown.liveActivityReport);
    testPushKey_->setEnabled(shown.sendTestPushEnabled());
    awayRow_->setNote(shown.awayNote());
    static_cast<QGraphicsOpacityEffect*>(awayRow_->graphicsEffect())
        ->setOpacity(settings.alwaysPushToPhone ? awayRowDimmed : 1.0);
    closingNote_->setText(shown.closingNote());

    hooksRow_->setName(shown.hookStatusLine());
    hookKey_->setLegend(shown.hooksInstalled() ? QStringLiteral("TURN OFF") : QStringLiteral("TURN ON"));
    hookKey_->setStyle(shown.hooksInstalled() ? SmallKeyStyle::Style::panel : SmallKeyStyle::Style::acid);
    selfTestKey_->setEnabled(shown.selfTestEnabled());
    if (QWidget* holder = hookKey_->parentWidget()) holder->adjustSize();

    bannersRow_->setName(shown.bannerLine());
    bannersRow_->setNote(shown.notificationSettingsNote);
    relay_->refresh(shown);
    phoneKey_->refresh(shown);
}

StepperControl* SettingsView::stepper(const std::string& name) const {
    const auto found = steppers_.find(name);
    return found == steppers_.end() ? nullptr : found->second;
}

ToggleKeyButton* SettingsView::toggle(const std::string& name) const {
    const auto found = toggles_.find(name);
    return found == toggles_.end() ? nullptr : found->second;
}

SettingRowWidget* SettingsView::row(const std::string& name) const {
    const auto found = rows_.find(name);
    return found == rows_.end() ? nullptr : found->second;
}

KeyButton* SettingsView::key(const QString& legend) const {
    for (KeyButton* candidate : findChildren<KeyButton*>()) {
        if (candidate->text() == legend && candidate->isVisibleTo(const_cast<SettingsView*>(this))) return candidate;
    }
    return nullptr;
}

}  // namespace quorvel
