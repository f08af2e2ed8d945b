#pragma once
// The check mark of a checklist step in the desktop's standard look: a filled green circle
// with a white tick when the step is done, else an empty ring in the secondary text colour.
#include <QColor>
#include <QRectF>

class QPainter;

namespace quorvel {

struct CheckCircle {
    bool done = false;
    /// The ring's colour while not done (the platform's secondary text).
    QColor secondary;

    static constexpr double ringWidth = 1.5;
    static QColor doneColor();

    /// Paints the largest circle centred in `frame`.
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
