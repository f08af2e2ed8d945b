#include "kit/visuals/views/mascot/FaceFade.hpp"

#include <cmath>

namespace quorvel {

std::optional<double> FaceFade::progress(Instant now) const {
    const double linear = now.secondsSince(start) / seconds;
    if (!(linear >= 0) || linear >= 1) return std::nullopt;
    // Ease in and out: a smooth step.
    return linear * linear * (3 - 2 * linear);
}

}  // namespace quorvel
