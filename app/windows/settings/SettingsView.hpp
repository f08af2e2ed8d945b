#pragma once
// The settings window's content: one scrolling column (no scroll bars) on the grained chassis,
// in the dark look with acid highlights, holding every user setting. Every switch, stepper
// and field writes to the app the moment it changes, and every status line follows the
// app. Main thread; the source must outlive the view.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "app/windows/settings/SettingsPresenter.hpp"

class QScrollArea;

namespace quorvel {

class APNsKeySection;
class EntryField;
class KeyButton;
class RelaySection;
class SettingRowWidget;
class SettingsNoteWidget;
class StepperControl;
class ToggleKeyButton;

class SettingsView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int width = 520;
    static constexpr int minimumHeight = 640;
    static constexpr int idealHeight = 760;
    static constexpr int padding = 20;
    static constexpr int spacing = 24;
    static constexpr double grainOpacity = 0.12;

    explicit SettingsView(SettingsSource& source, QWidget* parent = nullptr);
    ~SettingsView() override;

    QSize sizeHint() const override { return {width, idealHeight}; }
    QSize minimumSizeHint() const override { return {width, minimumHeight}; }

    SettingsPresenter& presenter() { return presenter_; }
    QScrollArea* scrollArea() const { return scroll_; }
    /// The stepper bound to a settings field, by the field's name ("longRunMinutes", "volume").
    StepperControl* stepper(const std::string& name) const;
    /// The switch of a setting, by the field's name ("failuresBuzzPhone", "muted", "launchAtLogin").
    ToggleKeyButton* toggle(const std::string& name) const;
    /// A key by its legend, among those on show ("CHECK NOW", "TURN ON"); the first such.
    KeyButton* key(const QString& legend) const;
    EntryField* tokenField() const { return tokenField_; }
    /// Under the phone token row: why what was entered is no token; hidden when it is.
    SettingsNoteWidget* tokenReport() const { return tokenReport_; }
    RelaySection* relaySection() const { return relay_; }
    APNsKeySection* keySection() const { return phoneKey_; }
    SettingRowWidget* row(const std::string& name) const;
    SettingsNoteWidget* closingNote() const { return closingNote_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildColumn();
    StepperControl* addStepper(const std::string& name, std::int64_t lower, std::int64_t upper, std::int64_t step,
                               std::function<std::string(std::int64_t)> format,
                               std::function<void(std::int64_t)> chosen);
    ToggleKeyButton* addToggle(const std::string& name, std::function<void(bool)> chosen);
    /// The stepper or switch of a declared setting, writing its field on every change.
    QWidget* settingControl(const SettingDescriptor& setting);
    void editSettings(const std::function<void(AppSettings&)>& change);
    /// Puts the snapshot on show.
    void refresh();

    SettingsPresenter presenter_;
    QScrollArea* scroll_ = nullptr;
    std::map<std::string, StepperControl*> steppers_;
    std::map<std::string, ToggleKeyButton*> toggles_;
    std::map<std::string, SettingRowWidget*> rows_;
    StepperControl* volume_ = nullptr;
    ToggleKeyButton* muted_ = nullptr;
    ToggleKeyButton* launchAtLogin_ = nullptr;
    EntryField* tokenField_ = nullptr;
    /// The stored token as the field last took it from the model.
    QString shownToken_;
    SettingsNoteWidget* tokenReport_ = nullptr;
    KeyButton* hookKey_ = nullptr;
    KeyButton* selfTestKey_ = nullptr;
    KeyButton* testPushKey_ = nullptr;
    SettingRowWidget* pairingRow_ = nullptr;
    SettingRowWidget* pushRow_ = nullptr;
    SettingRowWidget* awayRow_ = nullptr;
    SettingRowWidget* hooksRow_ = nullptr;
    SettingRowWidget* bannersRow_ = nullptr;
    SettingsNoteWidget* closingNote_ = nullptr;
    RelaySection* relay_ = nullptr;
    APNsKeySection* phoneKey_ = nullptr;
};

}  // namespace quorvel
