#pragma once
// The small two-letter tag at the start of a list row: CC for an agent run, SH for a shell
// command; acid when all went well, red when it broke. Main thread only.
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace quorvel {

struct Chip {
    QString text;
    bool ok = true;

    static constexpr double horizontalPadding = 5;
    /// Room under the face for its raised depth.
    static constexpr double bottomPadding = 2;
    static constexpr double depth = 2;

    /// Laid-out size: the text padded 5 left and right, plus the room for the depth below.
    QSizeF size() const;
    /// The chip's face when laid out at `topLeft`.
    QRectF faceRect(QPointF topLeft) const;

    void paint(QPainter& painter, QPointF topLeft) const;
};

}  // namespace quorvel
