#pragma once
// The vertical volume fader of the control panel: a recessed track with nine ticks and an acid
// knob. Loudest at the top. The fader holds no value of its own: it draws the value it is given
// and reports the user's edits through its actions; the owner keeps the value.
//
// Saving: a drag reports began / changed... / ended; the owner should show every change at once
// but write the stored controls only when the drag ends (and when a step arrives), so a drag
// does not rewrite the defaults file for every pointer move.
//
// Coordinates are points in the fader's own space, origin at its top-left. Main thread only.
#include <functional>

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace quorvel {

class Fader {
public:
    struct Actions {
        /// The pointer went down on the fader; a `onDragChanged` follows at once.
        std::function<void()> onDragBegan;
        /// A new value (0...1) while the pointer is held.
        std::function<void(double)> onDragChanged;
        /// The pointer was let go: the final value (0...1), the one to store.
        std::function<void(double)> onDragEnded;
        /// One accessibility step (0.05 up or down), a finished edit of its own: store it.
        std::function<void(double)> onStep;
    };

    static constexpr double width = 44;
    static constexpr double height = 123;
    static constexpr double knobWidth = 38;
    static constexpr double knobHeight = 24;
    /// How far the knob's top moves between value 1 (top, 0) and value 0 (bottom, 94).
    static constexpr double knobTravel = 94;
    static constexpr int tickCount = 9;
    static constexpr double stepSize = 0.05;

    /// The value shown; anything outside 0...1 (or not a number) is drawn clamped.
    double value = 0;
    Actions actions;

    static QSizeF size() { return {width, height}; }
    static QRectF trackRect() { return {17, 0, 10, 118}; }
    /// Tick `index` 0...8, top to bottom.
    static QRectF tickRect(int index) { return {0, 6 + 13.3 * index, 8, 2}; }
    /// Where the knob stands for `value` (clamped to 0...1 for drawing).
    static QRectF knobRect(double value);

    /// The value a press at height `y` gives: the knob's centre follows the pointer, clamped
    /// to 0...1 (above the travel 1, below it 0, not a number 0).
    static double valueAt(double y);

    /// `value` as whole percent, halves away from zero, clamped to 0...100 (not a number: 0).
    static int percent(double value);
    /// The readout under the fader: "VOL 82".
    static QString readout(double value);
    /// Spoken name and value: "Volume", "82 percent".
    static QString accessibilityLabel();
    static QString accessibilityValue(double value);

    /// The value one step up (at most 1) or down (at least 0) from `value`.
    static double incremented(double value);
    static double decremented(double value);

    /// True for a point inside the whole 44 x 123 area (not only the track or the knob).
    static bool contains(QPointF point);

    /// Pointer gesture, in fader coordinates. A press anywhere in the area starts a drag and
    /// already sets the value; moves keep setting it; the release ends the drag.
    void press(QPointF point) const;
    void drag(QPointF point) const;
    void release(QPointF point) const;

    /// Accessibility adjustments.
    void increment() const;
    void decrement() const;

    /// Paints the fader with its top-left corner at `origin`.
    void paint(QPainter& painter, QPointF origin) const;
};

}  // namespace quorvel
