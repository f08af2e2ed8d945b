#pragma once
// A one-line entry of the settings window in the kit's look: Space Mono in mascot white on a
// screen-coloured plate with continuous corners (radius 4), padded 6, of a fixed text width.
// The field paints its plate itself; the style draws only the text, cursor and selection.
// `setShownText` changes the text only when it differs, so a refresh from the model never
// moves the cursor while the user types. Main thread.
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

    /// The plate's height: a line of the font with the line edit's own 1-point margins, padded,
    /// whatever a desktop style would add around a line edit's frame.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace quorvel
