#include "app/windows/settings/APNsKeySection.hpp"

#include <QVBoxLayout>

#include "app/windows/settings/EntryField.hpp"
#include "app/windows/settings/KeyButton.hpp"
#include "app/windows/settings/SettingRowWidget.hpp"
#include "app/windows/settings/SettingsNoteWidget.hpp"
#include "app/windows/settings/SettingsPresenter.hpp"
#include "app/windows/settings/SettingsSectionWidget.hpp"

namespace quorvel {
APNsKeySection::APNsKeySection(SettingsPresenter& presenter, const QString& teamID, QWidget* parent)
    : QWidget(parent),
      presenter_(presenter),
      form_(new QWidget(this)),
      summary_(new QWidget(this)),
      keyID_(new EntryField(120, 11)),
      teamID_(new EntryField(120, 11)),
      import_(new KeyButton(QString::fromUtf8("IMPORT\u2026"), SmallKeyStyle::Style::acid)),
      remove_(new KeyButton(QStringLiteral("REMOVE"), SmallKeyStyle::Style::panel)),
      stored_(new SettingRowWidget("Key in the login keyring", std::nullopt, remove_)),
      keyringNote_(new SettingsNoteWidget(std::string())) {
    keyID_->setObjectName(QStringLiteral("keyID"));
    keyID_->setAccessibleName(QStringLiteral("Key ID"));
    teamID_->setObjectName(QStringLiteral("teamID"));
    teamID_->setAccessibleName(QStringLiteral("Team ID"));
    teamID_->setText(teamID);
    import_->setObjectName(QStringLiteral("keyImport"));
    remove_->setObjectName(QStringLiteral("keyRemove"));

    QVBoxLayout* rows = SettingsSectionWidget::rowStack(form_);
    rows->addWidget(new SettingRowWidget("Key ID", "From the .p8 file name, AuthKey_<ID>.p8", keyID_));
    rows->addWidget(new SettingRowWidget("Team ID", std::nullopt, teamID_));
    rows->addWidget(new SettingRowWidget(
        "Import the .p8 key",
        std::string("Pick the AuthKey file from ") + developerSite + ". It goes straight into your login keyring.",
        import_));
    keyringNote_->setObjectName(QStringLiteral("keyKeyringNote"));
    rows->addWidget(keyringNote_);

    SettingsSectionWidget::rowStack(summary_)->addWidget(stored_);

    QVBoxLayout* faces = SettingsSectionWidget::rowStack(this);
    faces->addWidget(form_);
    faces->addWidget(summary_);

    connect(import_, &QAbstractButton::clicked, this, [this] {
        presenter_.importAPNsKey(keyID_->text().toStdString(), teamID_->text().toStdString());
    });
    connect(remove_, &QAbstractButton::clicked, this, [this] { presenter_.removeAPNsKey(); });
    refresh(presenter_.snapshot());
}

bool APNsKeySection::showsSummary() const { return !summary_->isHidden(); }

void APNsKeySection::refresh(const SettingsSnapshot& snapshot) {
    const bool stored = snapshot.apnsKeyID.has_value();
    if (stored) stored_->setNote("ID " + *snapshot.apnsKeyID);
    form_->setHidden(stored);
    summary_->setHidden(!stored);
    keyringNote_->setText(snapshot.keyringNote().value_or(""));
    keyringNote_->setHidden(!snapshot.keyringNote());
}

}  // namespace quorvel
