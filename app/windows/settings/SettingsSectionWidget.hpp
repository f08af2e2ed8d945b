#pragma once
// A titled group of the settings window: the level dymo label, and the group's rows and notes
// stacked under it, 6 points apart. Main thread.
#include <QWidget>
#include <string>

#include "kit/phone/SettingsSection.hpp"

class QVBoxLayout;

namespace quorvel {

class SettingsSectionWidget final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsSectionWidget(std::string title, QWidget* parent = nullptr);

    /// Adds `content` (taken as a child) under what is there.
    void add(QWidget* content);
    /// A column on `owner` that stacks rows as a section does (no margins, 6 apart).
    static QVBoxLayout* rowStack(QWidget* owner);
    const SettingsSection& section() const { return section_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SettingsSection section_;
    QVBoxLayout* column_;
};

}  // namespace quorvel
