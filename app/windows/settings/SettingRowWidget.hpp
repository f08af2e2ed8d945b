#pragma once
// One settings row: the kit's row well with its name and note, and a real control widget at
// its right. Its height follows its width (long names and notes wrap). Main thread.
#include <QWidget>
#include <optional>
#include <string>

#include "kit/phone/SettingRow.hpp"

namespace quorvel {

class SettingRowWidget final : public QWidget {
    Q_OBJECT

public:
    /// Takes `control` as its child; it may be null (a row with texts only).
    SettingRowWidget(std::string name, std::optional<std::string> note, QWidget* control, QWidget* parent = nullptr);

    void setName(const std::string& name);
    void setNote(const std::optional<std::string>& note);
    const SettingRow& row() const { return row_; }
    QWidget* control() const { return control_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    QSizeF controlSize() const;
    void placeControl();

    SettingRow row_;
    QWidget* control_;
};

}  // namespace quorvel
