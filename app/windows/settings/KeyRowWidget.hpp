#pragma once
// A 54-point row with a name, a second line and a real small key at its right (the kit's row
// with a key). Main thread.
#include <QWidget>
#include <functional>

#include "kit/phone/RowWithKey.hpp"

namespace quorvel {

class KeyButton;

class KeyRowWidget final : public QWidget {
    Q_OBJECT

public:
    /// `row.action` runs when the key is pressed.
    explicit KeyRowWidget(RowWithKey row, QWidget* parent = nullptr);

    KeyButton* key() const { return key_; }
    const RowWithKey& row() const { return row_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    RowWithKey row_;
    KeyButton* key_;
};

}  // namespace quorvel
