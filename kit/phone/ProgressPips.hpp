#pragma once
// A row of small acid lamps counting steps: `total` pips 8 points across, 6 apart; pip i
// (from 1) is lit when i is at most `step`. A total below one draws nothing.
#include <string>

#include <QPointF>
#include <QSizeF>

class QPainter;

namespace quorvel {

struct ProgressPips {
    long long step = 0;
    long long total = 1;

    static constexpr double pipSize = 8;
    static constexpr double spacing = 6;
    /// More pips than this are not drawn (no row that long fits any screen).
    static constexpr long long maximumPips = 1000;

    long long pipCount() const;
    /// Whether pip `index` (1 to `pipCount()`) is lit.
    bool lit(long long index) const;
    QSizeF size() const;

    void paint(QPainter& painter, const QPointF& topLeft) const;

    /// "step 2 of 4".
    std::string accessibilityLabel() const;
};

}  // namespace quorvel
