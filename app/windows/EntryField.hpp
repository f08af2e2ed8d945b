#pragma once
// A one-line entry of the settings window in the kit's look: Space Mono in mascot white on a
// rounded screen-coloured plate (radius 4), padded 6, of a fixed text width. `setShownText`
// changes the text only when it differs, so a refresh from the model never moves the cursor
// while the user types. Main thread.
#include <QLineEdit>

namespace quorvel {

class EntryField final : public QLineEdit {
    Q_OBJECT

public:
    /// `textWidth` and `fontSize` in points; the plate adds the padding around the text.
    EntryField(double textWidth, double fontSize, const QString& placeholder = {}, QWidget* parent = nullptr);

    static constexpr double padding = 6;
    static constexpr double cornerRadius = 4;

    /// Hides what is typed and keeps it out of input-method history and predictions.
    void makeSecret();
    void setShownText(const QString& text);
};

}  // namespace quorvel
