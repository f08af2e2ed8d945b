#pragma once
// The white sticker on the ejected floppy: the project in the pixel face over the run's
// duration, each on one line cut with an ellipsis. 88 x 32 points, drawn 10 right and 7 down
// from the floppy picture's top-left corner. Main thread only.
#include <QPointF>
#include <QRectF>
#include <QString>

#include "kit/visuals/model/FloppyLabel.hpp"

class QPainter;

namespace quorvel {

struct FloppyLabelView {
    FloppyLabel label;

    static constexpr double width = 88;
    static constexpr double height = 32;
    /// Where the sticker sits on the floppy picture.
    static constexpr QPointF offset{10, 7};

    /// The sticker's frame on a floppy picture whose top-left is `floppyTopLeft`.
    static QRectF frame(QPointF floppyTopLeft);
    /// Where each line is drawn, inside a sticker at `frame`.
    static QRectF projectRect(const QRectF& frame);
    static QRectF durationRect(const QRectF& frame);

    /// The lines as drawn into the sticker's width: one line each, line breaks and tabs as
    /// spaces, cut at the tail with "…".
    QString shownProject() const;
    QString shownDuration() const;

    /// "Disk label " + project + " " + duration, whole, however the lines are cut.
    QString accessibilityLabel() const;

    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
