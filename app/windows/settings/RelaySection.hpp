#pragma once
// The RELAY group's body: the address and key form while no relay is stored, else the stored
// address with REMOVE, and under either the outcome of the last SAVE or REMOVE. What is typed
// belongs to the section and outlives face switches; a refused SAVE keeps both fields, and
// only a stored relay empties the key field. Main thread.
#include <QWidget>

namespace quorvel {

class EntryField;
class KeyButton;
class SettingsNoteWidget;
class SettingRowWidget;
class SettingsPresenter;
struct SettingsSnapshot;

class RelaySection final : public QWidget {
    Q_OBJECT

public:
    /// The example relay address shown in the form's note.
    static constexpr const char* exampleURL = "https://relay.example.com/api/apns";

    explicit RelaySection(SettingsPresenter& presenter, QWidget* parent = nullptr);

    /// Shows the face the snapshot calls for.
    void refresh(const SettingsSnapshot& snapshot);

    EntryField* urlField() const { return url_; }
    EntryField* keyField() const { return key_; }
    KeyButton* saveKey() const { return save_; }
    KeyButton* removeKey() const { return remove_; }
    bool showsSummary() const;
    /// "Saving to the login keyring…" under SAVE while a save is pending; hidden otherwise.
    SettingsNoteWidget* keyringNote() const { return keyringNote_; }
    /// What became of the last SAVE or REMOVE, under the face on show; hidden when nothing.
    SettingsNoteWidget* report() const { return report_; }

private:
    void updateSave();

    SettingsPresenter& presenter_;
    QWidget* form_;
    QWidget* summary_;
    EntryField* url_;
    EntryField* key_;
    KeyButton* save_;
    KeyButton* remove_;
    SettingRowWidget* stored_;
    SettingsNoteWidget* keyringNote_;
    SettingsNoteWidget* report_;
};

}  // namespace quorvel
