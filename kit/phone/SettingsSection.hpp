#pragma once
// A titled group of settings: a level ink dymo label (size 10, no tilt) over its content,
// 4 + 6 points apart. The content is laid out by the caller below `contentTop()`.
#include <string>

#include <QPointF>
#include <QSizeF>

#include "kit/visuals/views/kit/DymoLabel.hpp"

class QPainter;

namespace quorvel {

struct SettingsSection {
    std::string title;

    static constexpr double labelSize = 10;
    static constexpr double labelBottomPadding = 4;
    static constexpr double spacing = 6;

    /// The label as drawn: ink tape, size 10, tilt 0 whatever the title.
    DymoLabel label() const;
    /// Where the content starts below the section's top.
    double contentTop() const;

    /// Paints the label with its top-left at `topLeft`.
    void paint(QPainter& painter, const QPointF& topLeft) const;
};

}  // namespace quorvel
