#pragma once
// The minus and plus keys around a value, as real buttons. A key press asks for the stepped
// value through `stepped`; the shown value changes only when the window sets it from the
// model. The whole control is read out by its formatted value. Main thread.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "kit/phone/StepperKeys.hpp"

namespace quorvel {

class KeyButton;

class StepperControl final : public QWidget {
    Q_OBJECT

public:
    StepperControl(std::int64_t lower, std::int64_t upper, std::int64_t step,
                   std::function<std::string(std::int64_t)> format, QWidget* parent = nullptr);

    void setValue(std::int64_t value);
    std::int64_t value() const { return keys_.value; }
    const StepperKeys& keys() const { return keys_; }
    KeyButton* minusKey() const { return minus_; }
    KeyButton* plusKey() const { return plus_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    /// The user pressed a key; `value` is the value it steps to.
    void stepped(std::int64_t value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void apply();

    StepperKeys keys_;
    KeyButton* minus_;
    KeyButton* plus_;
};

}  // namespace quorvel
