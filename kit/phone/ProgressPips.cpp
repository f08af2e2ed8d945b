#include "kit/phone/ProgressPips.hpp"

#include <algorithm>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/LED.hpp"

namespace quorvel {

long long ProgressPips::pipCount() const { return std::clamp(total, 0LL, maximumPips); }

bool ProgressPips::lit(long long index) const { return index >= 1 && index <= pipCount() && index <= step; }

QSizeF ProgressPips::size() const {
    const long long count = pipCount();
    if (count == 0) return {0, 0};
    return {static_cast<double>(count) * pipSize + static_cast<double>(count - 1) * spacing, pipSize};
}

void ProgressPips::paint(QPainter& painter, const QPointF& topLeft) const {
    for (long long index = 1; index <= pipCount(); ++index) {
        const double left = topLeft.x() + static_cast<double>(index - 1) * (pipSize + spacing);
        LED{lit(index), Tokens::acid, pipSize}.paint(painter, QRectF(left, topLeft.y(), pipSize, pipSize));
    }
}

std::string ProgressPips::accessibilityLabel() const {
    return "step " + std::to_string(step) + " of " + std::to_string(total);
}

}  // namespace quorvel
