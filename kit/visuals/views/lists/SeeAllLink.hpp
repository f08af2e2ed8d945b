#pragma once
// The link under a tab's list that opens the whole list: acid text and a pixel chevron, centred
// in a full-width strip 36 points tall that takes the pointer as a whole. Main thread only.
#include <functional>

#include <QRectF>
#include <QString>

class QPainter;

namespace quorvel {

struct SeeAllLink {
    QString text;
    std::function<void()> action;

    static constexpr double height = 36;
    static constexpr double spacing = 8;

    /// The chevron's frame for a link at `frame` (its text stands left of it).
    QRectF chevronRect(const QRectF& frame) const;

    void activate() const {
        if (action) action();
    }
    void paint(QPainter& painter, const QRectF& frame) const;
};

}  // namespace quorvel
