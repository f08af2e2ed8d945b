#pragma once
// A small key of the settings window as a real button: it takes keyboard focus by Tab,
// answers Space, is read out by its legend, and draws no platform chrome (the kit's small key,
// with an acid ring while it has focus). Disabled, it ignores clicks and looks the same.
// Main thread.
#include <QAbstractButton>

#include "kit/phone/SmallKeyStyle.hpp"

namespace quorvel {

class KeyButton final : public QAbstractButton {
    Q_OBJECT

public:
    KeyButton(const QString& legend, SmallKeyStyle::Style style, QWidget* parent = nullptr);

    SmallKeyStyle::Style style() const { return style_; }
    /// Changes the legend (and the accessible name with it).
    void setLegend(const QString& legend);
    void setStyle(SmallKeyStyle::Style style);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SmallKeyStyle::Style style_;
};

}  // namespace quorvel
