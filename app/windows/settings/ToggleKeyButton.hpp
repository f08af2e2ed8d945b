#pragma once
// The latching ON/OFF key as a real button: checkable, focus by Tab, Space toggles, read out
// as checked or not. Its checked state is the setting's; after a click the window sets it back
// from the model, so a change the model refused never shows as made. Read out by its legend
// (ON or OFF) with "on" or "off" after it. Main thread.
#include <QAbstractButton>

namespace quorvel {

class ToggleKeyButton final : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleKeyButton(QWidget* parent = nullptr);

    /// Shows `on` without announcing a user's click.
    void setOn(bool on);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    /// The legend as the accessible name, "on" or "off" as its description.
    void announce(bool on);
};

}  // namespace quorvel
