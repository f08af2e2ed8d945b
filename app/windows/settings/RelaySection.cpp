#include "app/windows/settings/RelaySection.hpp"

#include <QVBoxLayout>

#include "app/windows/settings/EntryField.hpp"
#include "app/windows/settings/KeyButton.hpp"
#include "app/windows/settings/SettingRowWidget.hpp"
#include "app/windows/settings/SettingsNoteWidget.hpp"
#include "app/windows/settings/SettingsPresenter.hpp"
#include "app/windows/settings/SettingsSectionWidget.hpp"

namespace quorvel {
RelaySection::RelaySection(SettingsPresenter& presenter, QWidget* parent)
    : QWidget(parent),
      presenter_(presenter),
      form_(new QWidget(this)),
      summary_(new QWidget(this)),
      url_(new EntryField(200, 10, QString::fromUtf8("https://\u2026"))),
      key_(new EntryField(200, 10)),
      save_(new KeyButton(QStringLiteral("SAVE"), SmallKeyStyle::Style::acid)),
      remove_(new KeyButton(QStringLiteral("REMOVE"), SmallKeyStyle::Style::panel)),
      stored_(nullptr),
      keyringNote_(new SettingsNoteWidget(std::string())),
      report_(new SettingsNoteWidget(std::string())) {
    url_->setObjectName(QStringLiteral("relayAddress"));
    url_->setAccessibleName(QStringLiteral("Relay address"));
    key_->setObjectName(QStringLiteral("relayKey"));
    key_->setAccessibleName(QStringLiteral("Relay key"));
    key_->makeSecret();
    save_->setObjectName(QStringLiteral("relaySave"));
    remove_->setObjectName(QStringLiteral("relayRemove"));

    QVBoxLayout* rows = SettingsSectionWidget::rowStack(form_);
    rows->addWidget(new SettingRowWidget(
        "Relay address", std::string("From the person running the relay, for example ") + exampleURL, url_));
    rows->addWidget(new SettingRowWidget("Relay key", "Goes straight into your login keyring.", key_));
    rows->addWidget(new SettingRowWidget("Use the relay", std::nullopt, save_));
    keyringNote_->setObjectName(QStringLiteral("relayKeyringNote"));
    rows->addWidget(keyringNote_);

    QVBoxLayout* summary = SettingsSectionWidget::rowStack(summary_);
    stored_ = new SettingRowWidget("Sending through the relay", std::nullopt, remove_);
    summary->addWidget(stored_);
    summary->addWidget(new SettingsNoteWidget("With a relay set, the Apple key below is not used."));

    QVBoxLayout* faces = SettingsSectionWidget::rowStack(this);
    faces->addWidget(form_);
    faces->addWidget(summary_);
    report_->setObjectName(QStringLiteral("relayReport"));
    faces->addWidget(report_);

    // Untrimmed: a field of spaces counts as filled, and the model says what is wrong with it.
    connect(url_, &QLineEdit::textChanged, this, &RelaySection::updateSave);
    connect(key_, &QLineEdit::textChanged, this, &RelaySection::updateSave);
    connect(save_, &QAbstractButton::clicked, this, [this] {
        if (url_->text().isEmpty() || key_->text().isEmpty()) return;
        presenter_.setRelay(url_->text().toStdString(), key_->text().toStdString());
    });
    connect(remove_, &QAbstractButton::clicked, this, [this] { presenter_.removeRelay(); });
    updateSave();
    refresh(presenter_.snapshot());
}

void RelaySection::updateSave() { save_->setEnabled(!url_->text().isEmpty() && !key_->text().isEmpty()); }

bool RelaySection::showsSummary() const { return !summary_->isHidden(); }

void RelaySection::refresh(const SettingsSnapshot& snapshot) {
    const bool stored = snapshot.relayURL.has_value();
    if (stored) {
        stored_->setNote(*snapshot.relayURL);
        // The key is in the keyring now; the form must not keep a copy for the next relay.
        key_->clear();
    }
    form_->setHidden(stored);
    summary_->setHidden(!stored);
    keyringNote_->setText(snapshot.keyringNote().value_or(""));
    keyringNote_->setHidden(!snapshot.keyringNote());
    report_->setText(snapshot.relayReport);
    report_->setHidden(snapshot.relayReport.empty());
}

}  // namespace quorvel
