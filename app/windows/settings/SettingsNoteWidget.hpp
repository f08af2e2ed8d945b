#pragma once
// A line of explanation in the settings window, wrapping as it needs. Main thread.
#include <QWidget>
#include <string>

#include "kit/phone/SettingsNote.hpp"

namespace quorvel {

class SettingsNoteWidget final : public QWidget {
    Q_OBJECT

public:
    explicit SettingsNoteWidget(std::string text, QWidget* parent = nullptr);

    void setText(const std::string& text);
    const std::string& text() const { return note_.text; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SettingsNote note_;
};

}  // namespace quorvel
