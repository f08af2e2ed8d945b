#pragma once
// The PHONE KEY group's body: key ID, team ID and IMPORT… while no key is stored, else the
// stored key's ID with REMOVE. The typed IDs belong to the section and are never cleared.
// Main thread.
#include <QWidget>

namespace quorvel {

class EntryField;
class KeyButton;
class SettingRowWidget;
class SettingsNoteWidget;
class SettingsPresenter;
struct SettingsSnapshot;

class APNsKeySection final : public QWidget {
    Q_OBJECT

public:
    /// Where the user gets the key file.
    static constexpr const char* developerSite = "developer.apple.com";

    /// `teamID` is what the Team ID field starts with.
    APNsKeySection(SettingsPresenter& presenter, const QString& teamID, QWidget* parent = nullptr);

    void refresh(const SettingsSnapshot& snapshot);

    EntryField* keyIDField() const { return keyID_; }
    EntryField* teamIDField() const { return teamID_; }
    KeyButton* importKey() const { return import_; }
    KeyButton* removeKey() const { return remove_; }
    bool showsSummary() const;
    /// "Saving to the login keyring…" under IMPORT while a save is pending; hidden otherwise.
    SettingsNoteWidget* keyringNote() const { return keyringNote_; }
    /// The summary row (its note is "ID " and the key ID).
    SettingRowWidget* storedRow() const { return stored_; }

private:
    SettingsPresenter& presenter_;
    QWidget* form_;
    QWidget* summary_;
    EntryField* keyID_;
    EntryField* teamID_;
    KeyButton* import_;
    KeyButton* remove_;
    SettingRowWidget* stored_;
    SettingsNoteWidget* keyringNote_;
};

}  // namespace quorvel
